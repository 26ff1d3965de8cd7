// SPDX-License-Identifier: GPL-3.0-or-later
#include "HookEnvelope.h"

#include "EnvelopeMembers.h"

#include "HookEnvelopeReaders.h"
#include "JsonReader.h"
#include "JsonWriter.h"

#include <limits>

namespace quillo::HookEnvelope {

namespace {

using RawMembers = EnvelopeMembers::Raw;

// Streams through one line and keeps what parseLine needs. Duplicate keys
// behave as in a document: the last occurrence wins, also when its value has the
// wrong type.
class EnvelopeReader : public nlohmann::json_sax<nlohmann::json>, public EnvelopeMembers {
public:
    bool topIsObject = false;

    bool null() override { return scalar(Value{}); }
    bool boolean(bool) override { return scalar(Value{}); }
    bool number_integer(number_integer_t n) override {
        return scalar(
            Value{.integer = n, .number = double(n), .isInteger = true, .isNumber = true});
    }
    bool number_unsigned(number_unsigned_t n) override {
        Value v{.number = double(n), .isNumber = true};
        if (n <= static_cast<number_unsigned_t>(std::numeric_limits<std::int64_t>::max())) {
            v.integer = static_cast<std::int64_t>(n);
            v.isInteger = true;
        }
        return scalar(v);
    }
    bool number_float(number_float_t d, const string_t&) override {
        return scalar(Value{.number = d, .isNumber = true});
    }
    bool string(string_t& text) override { return scalar(Value{.text = &text}); }
    bool binary(binary_t&) override { return scalar(Value{}); }

    bool start_object(std::size_t) override { return open(true); }
    bool start_array(std::size_t) override { return open(false); }
    bool end_object() override { return close(); }
    bool end_array() override { return close(); }

    bool key(string_t& name) override {
        if (depth_ == 1) {
            topKey_ = name;
        } else if (depth_ == 2 && inner_ == Inner::raw) {
            rawKey_ = name;
        }
        return true;
    }

    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }

private:
    struct Value {
        std::int64_t integer = 0;
        double number = 0;
        bool isInteger = false;
        bool isNumber = false;
        string_t* text = nullptr;
    };
    enum class Inner { other, raw, chain };

    static std::optional<std::int32_t> pid(const Value& v) {
        if (v.isInteger && v.integer >= std::numeric_limits<std::int32_t>::min() &&
            v.integer <= std::numeric_limits<std::int32_t>::max()) {
            return static_cast<std::int32_t>(v.integer);
        }
        return std::nullopt;
    }

    // A member of the envelope itself.
    void topMember(const Value& v) {
        if (topKey_ == "recorded_at") {
            recordedAt = v.isNumber ? std::optional<double>(v.number) : std::nullopt;
        } else if (topKey_ == "claude_pid") {
            claudePID = pid(v);
        } else if (topKey_ == "shell_tty") {
            shellTTY = v.text ? std::optional<std::string>(*v.text) : std::nullopt;
        } else if (topKey_ == "pid_chain") {
            pidChain.reset();
        } else if (topKey_ == "raw") {
            raw = RawMembers{};
        }
    }

    bool scalar(const Value& v) {
        if (depth_ == 1) {
            topMember(v);
        } else if (depth_ == 2 && inner_ == Inner::raw) {
            if (auto* slot = raw.slot(rawKey_)) {
                *slot = v.text ? std::optional<std::string>(*v.text) : std::nullopt;
            }
        } else if (depth_ == 2 && inner_ == Inner::chain) {
            if (auto p = pid(v); p && chainValid_) {
                pidChain->push_back(*p);
            } else {
                chainValid_ = false;
            }
        }
        return true;
    }

    bool open(bool isObject) {
        if (depth_ == 0) {
            topIsObject = isObject;
        } else if (depth_ == 1) {
            inner_ = Inner::other;
            if (topKey_ == "raw") {
                raw = RawMembers{};
                if (isObject) {
                    inner_ = Inner::raw;
                }
            } else if (topKey_ == "pid_chain") {
                pidChain.reset();
                if (!isObject) {
                    pidChain.emplace();
                    chainValid_ = true;
                    inner_ = Inner::chain;
                }
            } else {
                topMember(Value{});
            }
        } else if (depth_ == 2 && inner_ == Inner::raw) {
            if (auto* slot = raw.slot(rawKey_)) {
                slot->reset();
            }
        } else if (depth_ == 2 && inner_ == Inner::chain) {
            chainValid_ = false;
        }
        ++depth_;
        return true;
    }

    bool close() {
        --depth_;
        if (depth_ == 1 && inner_ == Inner::chain && !chainValid_) {
            pidChain.reset();
        }
        if (depth_ == 1) {
            inner_ = Inner::other;
        }
        return true;
    }

    int depth_ = 0;
    Inner inner_ = Inner::other;
    bool chainValid_ = false;
    std::string topKey_;
    std::string rawKey_;
};

} // namespace

std::optional<std::string> encodeLine(const nlohmann::json& rawPayload, Timestamp recordedAt,
                                      std::optional<std::int32_t> claudePID,
                                      const std::optional<std::vector<std::int32_t>>& pidChain,
                                      const std::optional<std::string>& shellTTY) {
    nlohmann::json envelope = nlohmann::json::object();
    envelope["recorded_at"] = secondsSince1970(recordedAt);
    envelope["raw"] = rawPayload;
    if (claudePID) {
        envelope["claude_pid"] = *claudePID;
    }
    if (pidChain) {
        envelope["pid_chain"] = *pidChain;
    }
    if (shellTTY) {
        envelope["shell_tty"] = *shellTTY;
    }
    auto line = JsonWriter::compact(envelope);
    if (!line) {
        return std::nullopt;
    }
    line->push_back('\n');
    return line;
}

std::optional<ParsedHookEvent> parseLineStreaming(std::string_view line, Timestamp parsedAt) {
    // A payload can hold a whole file's contents; building a document only to
    // read nine members would cost more than the rest of ingestion together.
    // The streaming reader validates the whole line just the same and keeps
    // only those members. It keeps no stack of its own, so any depth is fine.
    auto read = [](std::string_view text, EnvelopeReader& reader) {
        return nlohmann::json::sax_parse(text, &reader, nlohmann::json::input_format_t::json,
                                         /*strict=*/true) &&
               reader.topIsObject;
    };
    EnvelopeReader first;
    EnvelopeReader second;
    EnvelopeReader* reader = &first;
    if (!read(line, first)) {
        // Unpaired surrogate escapes, as JavaScript writes them for a string
        // cut inside a pair, read as U+FFFD rather than costing the event.
        auto repaired = JsonReader::replaceLoneSurrogates(line);
        if (!repaired || !read(*repaired, second)) {
            return std::nullopt;
        }
        reader = &second;
    }

    return reader->takeEvent(parsedAt);
}

} // namespace quillo::HookEnvelope
