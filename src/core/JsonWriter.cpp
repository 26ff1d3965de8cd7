// SPDX-License-Identifier: GPL-3.0-or-later
#include "JsonWriter.h"

#include "Utf8.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

namespace quillo::JsonWriter {

namespace {

class Writer {
public:
    Writer(bool pretty, std::size_t maxBytes, std::size_t expectedBytes)
        : pretty_(pretty), maxBytes_(maxBytes) {
        out_.reserve(std::min(expectedBytes, maxBytes));
    }

    bool write(const nlohmann::json& value, int depth) {
        if (depth > maxDepth) {
            return false;
        }
        switch (value.type()) {
        case nlohmann::json::value_t::null:
            out_ += "null";
            return true;
        case nlohmann::json::value_t::boolean:
            out_ += value.get<bool>() ? "true" : "false";
            return true;
        case nlohmann::json::value_t::number_integer:
            appendNumber(value.get<std::int64_t>());
            return true;
        case nlohmann::json::value_t::number_unsigned:
            appendNumber(value.get<std::uint64_t>());
            return true;
        case nlohmann::json::value_t::number_float:
            return appendDouble(value.get<double>());
        case nlohmann::json::value_t::string:
            return appendString(value.get_ref<const std::string&>());
        case nlohmann::json::value_t::array:
            return writeArray(value, depth);
        case nlohmann::json::value_t::object:
            return writeObject(value, depth);
        case nlohmann::json::value_t::binary:
        case nlohmann::json::value_t::discarded:
            return false;
        }
        return false;
    }

    std::string take() { return std::move(out_); }

    // From now on, hands the text over in pieces as it is written.
    void handOver(const PieceSink& piece) { piece_ = &piece; }
    // Hands over what is left; how many bytes were written in all.
    std::size_t finish() {
        if (piece_ != nullptr && !out_.empty()) {
            (*piece_)(out_);
            handedOver_ += out_.size();
            out_.clear();
        }
        return handedOver_ + out_.size();
    }

private:
    bool writeArray(const nlohmann::json& value, int depth) {
        if (value.empty()) {
            out_ += "[]";
            return true;
        }
        out_ += '[';
        bool first = true;
        for (const auto& element : value) {
            if (!first) {
                out_ += ',';
            }
            first = false;
            if (!newline(depth + 1) || !write(element, depth + 1)) {
                return false;
            }
        }
        newline(depth);
        out_ += ']';
        return true;
    }

    bool writeObject(const nlohmann::json& value, int depth) {
        if (value.empty()) {
            out_ += "{}";
            return true;
        }
        std::vector<const std::string*> keys;
        keys.reserve(value.size());
        for (auto it = value.begin(); it != value.end(); ++it) {
            keys.push_back(&it.key());
        }
        if (pretty_) {
            std::sort(keys.begin(), keys.end(),
                      [](const std::string* a, const std::string* b) { return *a < *b; });
        }
        out_ += '{';
        bool first = true;
        for (const std::string* key : keys) {
            if (!first) {
                out_ += ',';
            }
            first = false;
            if (!newline(depth + 1) || !appendString(*key)) {
                return false;
            }
            out_ += pretty_ ? " : " : ":";
            if (!write(value.at(*key), depth + 1)) {
                return false;
            }
        }
        newline(depth);
        out_ += '}';
        return true;
    }

    // False once the output has outgrown its limit; only indentation can make
    // it grow much faster than the value, so this is where it is checked.
    bool newline(int depth) {
        if (pretty_) {
            out_ += '\n';
            if (piece_ != nullptr && out_.size() >= pieceBytes) {
                (*piece_)(out_); // whole lines
                handedOver_ += out_.size();
                out_.clear();
            }
            out_.append(static_cast<std::size_t>(depth) * 2, ' ');
        }
        return handedOver_ + out_.size() <= maxBytes_;
    }

    template <typename Int> void appendNumber(Int n) {
        char buffer[32];
        auto result = std::to_chars(buffer, buffer + sizeof buffer, n);
        out_.append(buffer, result.ptr);
    }

    bool appendDouble(double d) {
        if (!std::isfinite(d)) {
            return false;
        }
        char buffer[64];
        auto result = std::to_chars(buffer, buffer + sizeof buffer, d);
        out_.append(buffer, result.ptr);
        return true;
    }

    bool appendString(const std::string& s) {
        if (!isValidUtf8(s)) {
            return false;
        }
        static constexpr char hex[] = "0123456789abcdef";
        out_ += '"';
        for (char ch : s) {
            auto c = static_cast<unsigned char>(ch);
            switch (c) {
            case '"':
                out_ += "\\\"";
                break;
            case '\\':
                out_ += "\\\\";
                break;
            case '/':
                out_ += "\\/";
                break;
            case '\b':
                out_ += "\\b";
                break;
            case '\f':
                out_ += "\\f";
                break;
            case '\n':
                out_ += "\\n";
                break;
            case '\r':
                out_ += "\\r";
                break;
            case '\t':
                out_ += "\\t";
                break;
            default:
                if (c < 0x20) {
                    out_ += "\\u00";
                    out_ += hex[c >> 4];
                    out_ += hex[c & 0x0F];
                } else {
                    out_ += ch;
                }
            }
        }
        out_ += '"';
        return true;
    }

    static constexpr std::size_t pieceBytes = 64 * 1024;

    bool pretty_;
    std::size_t maxBytes_;
    std::string out_;
    const PieceSink* piece_ = nullptr;
    std::size_t handedOver_ = 0;
};

std::optional<std::string> run(const nlohmann::json& value, bool pretty, std::size_t maxBytes,
                               std::size_t expectedBytes = 0) {
    Writer writer(pretty, maxBytes, expectedBytes);
    if (!writer.write(value, 0)) {
        return std::nullopt;
    }
    std::string text = writer.take();
    if (text.size() > maxBytes) {
        return std::nullopt;
    }
    return text;
}

} // namespace

std::optional<std::string> compact(const nlohmann::json& value) {
    return run(value, false, std::numeric_limits<std::size_t>::max());
}

std::optional<std::string> pretty(const nlohmann::json& value, std::size_t maxBytes,
                                  std::size_t expectedBytes) {
    return run(value, true, maxBytes, expectedBytes);
}

bool prettyInPieces(const nlohmann::json& value, std::size_t maxBytes, const PieceSink& piece) {
    Writer writer(true, maxBytes, 0);
    writer.handOver(piece);
    return writer.write(value, 0) && writer.finish() <= maxBytes;
}

} // namespace quillo::JsonWriter
