#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A small stand-in for the Messages API, enough for Claude Code to hold a
conversation offline.

What it answers depends on the last thing the user said:
- a prompt containing "QUILLO_TOOL": a Bash tool call that needs permission
  (it creates the file named after "QUILLO_TOOL:"); once the tool's result
  comes back, a short final answer;
- a prompt containing "QUILLO_ERROR": an API error (HTTP 400);
- anything else: a short text answer.
Every answer to the conversation comes after --delay seconds, so that a
watcher can see the session working.

Prints the port it listens on as its first line, then one line per request.
"""

import argparse
import json
import sys
import threading
import time
import uuid
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer


def last_user_content(body):
    for message in reversed(body.get("messages", [])):
        if message.get("role") == "user":
            content = message.get("content")
            if isinstance(content, str):
                return [{"type": "text", "text": content}]
            return content if isinstance(content, list) else []
    return []


def text_of(blocks):
    return "\n".join(b.get("text", "") for b in blocks if b.get("type") == "text")


def plan_answer(body):
    """(kind, payload): ("text", str), ("tool", command) or ("error", message)."""
    blocks = last_user_content(body)
    if any(b.get("type") == "tool_result" for b in blocks):
        return "text", "The command ran. Done."
    text = text_of(blocks)
    # Only the main conversation offers tools; side requests (titles, topics)
    # get a plain answer whatever the prompt says.
    if body.get("tools"):
        if "QUILLO_ERROR" in text:
            return "error", "mock: this request is refused on purpose"
        if "QUILLO_TOOL:" in text:
            marker = text.split("QUILLO_TOOL:", 1)[1].split()[0]
            return "tool", f"sleep 1 && touch {marker}"
    return "text", "Hello from the mock."


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    delay = 0.0

    def log_message(self, *args):
        pass

    def do_HEAD(self):
        self.send_response(200)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def do_GET(self):
        self.send_json(200, {})

    def do_POST(self):
        length = int(self.headers.get("Content-Length") or 0)
        raw = self.rfile.read(length) if length else b"{}"
        try:
            body = json.loads(raw or b"{}")
        except ValueError:
            body = {}
        path = self.path.split("?", 1)[0]
        if path.endswith("/count_tokens"):
            self.send_json(200, {"input_tokens": 12})
            return
        if not path.endswith("/v1/messages"):
            self.send_json(404, {"type": "error", "error": {"type": "not_found_error", "message": path}})
            return
        kind, payload = plan_answer(body)
        main = bool(body.get("tools"))
        print(f"request {path} main={main} stream={bool(body.get('stream'))} -> {kind}", flush=True)
        if main:
            time.sleep(self.delay)
        if kind == "error":
            self.send_json(400, {"type": "error",
                                 "error": {"type": "invalid_request_error", "message": payload}})
            return
        if kind == "tool":
            content = [{"type": "tool_use", "id": "toolu_" + uuid.uuid4().hex[:20], "name": "Bash",
                        "input": {"command": payload, "description": "Create a marker file"}}]
            stop_reason = "tool_use"
        else:
            content = [{"type": "text", "text": payload}]
            stop_reason = "end_turn"
        message = {"id": "msg_" + uuid.uuid4().hex[:20], "type": "message", "role": "assistant",
                   "model": body.get("model", "claude-mock"), "content": content,
                   "stop_reason": stop_reason, "stop_sequence": None,
                   "usage": {"input_tokens": 12, "output_tokens": 8}}
        if body.get("stream"):
            self.stream(message)
        else:
            self.send_json(200, message)

    def send_json(self, status, value):
        data = json.dumps(value).encode()
        self.send_response(status)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(data)))
        self.send_header("request-id", "req_mock")
        self.end_headers()
        self.wfile.write(data)

    def stream(self, message):
        self.send_response(200)
        self.send_header("Content-Type", "text/event-stream")
        self.send_header("Cache-Control", "no-cache")
        self.send_header("Connection", "close")
        self.end_headers()

        def event(name, data):
            self.wfile.write(f"event: {name}\ndata: {json.dumps(data)}\n\n".encode())
            self.wfile.flush()

        start = dict(message, content=[], stop_reason=None,
                     usage={"input_tokens": 12, "output_tokens": 1})
        event("message_start", {"type": "message_start", "message": start})
        for index, block in enumerate(message["content"]):
            if block["type"] == "text":
                event("content_block_start", {"type": "content_block_start", "index": index,
                                              "content_block": {"type": "text", "text": ""}})
                words = block["text"].split(" ")
                for i, word in enumerate(words):
                    piece = word if i == 0 else " " + word
                    event("content_block_delta", {"type": "content_block_delta", "index": index,
                                                  "delta": {"type": "text_delta", "text": piece}})
            else:
                event("content_block_start", {"type": "content_block_start", "index": index,
                                              "content_block": dict(block, input={})})
                event("content_block_delta", {"type": "content_block_delta", "index": index,
                                              "delta": {"type": "input_json_delta",
                                                        "partial_json": json.dumps(block["input"])}})
            event("content_block_stop", {"type": "content_block_stop", "index": index})
        event("message_delta", {"type": "message_delta",
                                "delta": {"stop_reason": message["stop_reason"], "stop_sequence": None},
                                "usage": {"output_tokens": 8}})
        event("message_stop", {"type": "message_stop"})
        self.close_connection = True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--delay", type=float, default=1.0)
    args = parser.parse_args()
    Handler.delay = args.delay
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    print(server.server_address[1], flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
