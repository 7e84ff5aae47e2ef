#!/usr/bin/env python3
"""Page-level DevTools client for Qt WebEngine's remote debugging port (Qt
WebEngine refuses a browser-level one). Imported, Page(port) talks to the
first page target. Run as devtools.py PORT, it reads one JSON command per line
({"method": ..., "params": {...}}) on stdin and writes each result object as
one JSON line on stdout, after a first {"connected": true}."""
import json
import sys
import time
import urllib.request

import websocket


class Page:
    def __init__(self, port, seconds=30):
        deadline = time.time() + seconds
        self.ws, self.next_id = None, 0
        while not self.ws:
            try:
                with urllib.request.urlopen("http://127.0.0.1:%d/json" % port, timeout=5) as r:
                    targets = [t for t in json.load(r) if t.get("type") == "page" and t.get("webSocketDebuggerUrl")]
                if targets:
                    self.ws = websocket.create_connection(targets[0]["webSocketDebuggerUrl"], timeout=30,
                                                          suppress_origin=True)
                    break
            except OSError:
                pass
            if time.time() > deadline:
                raise SystemExit("no page target on port %d" % port)
            time.sleep(0.2)

    def call(self, method, params=None):
        self.next_id += 1
        self.ws.send(json.dumps({"id": self.next_id, "method": method, "params": params or {}}))
        while True:
            msg = json.loads(self.ws.recv())
            if msg.get("id") == self.next_id:
                return msg.get("result", {"error": msg.get("error")})

    def evaluate(self, expression):
        return self.call("Runtime.evaluate", {"expression": expression, "returnByValue": True}) \
            .get("result", {}).get("value")


def main():
    page = Page(int(sys.argv[1]))
    print(json.dumps({"connected": True}), flush=True)
    for line in sys.stdin:
        if line.strip():
            cmd = json.loads(line)
            print(json.dumps(page.call(cmd["method"], cmd.get("params", {}))), flush=True)


if __name__ == "__main__":
    main()
