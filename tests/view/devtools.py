#!/usr/bin/env python3
"""Page-level DevTools client for the view test: reads one JSON command per
line ({"method": ..., "params": {...}}) on stdin and writes the result object
as one JSON line on stdout. Connects to the first page target of the port."""
import json
import sys
import time
import urllib.request

import websocket


def page_socket(port):
    deadline = time.time() + 30
    while True:
        try:
            with urllib.request.urlopen("http://127.0.0.1:%d/json" % port, timeout=5) as r:
                targets = json.load(r)
            for t in targets:
                if t.get("type") == "page" and t.get("webSocketDebuggerUrl"):
                    return websocket.create_connection(t["webSocketDebuggerUrl"], timeout=30,
                                                       suppress_origin=True)
        except OSError:
            pass
        if time.time() > deadline:
            raise SystemExit("no page target on port %d" % port)
        time.sleep(0.2)


def main():
    port = int(sys.argv[1])
    ws = page_socket(port)
    print(json.dumps({"connected": True}), flush=True)
    next_id = 0
    for line in sys.stdin:
        line = line.strip()
        if not line:
            continue
        cmd = json.loads(line)
        next_id += 1
        ws.send(json.dumps({"id": next_id, "method": cmd["method"], "params": cmd.get("params", {})}))
        while True:
            msg = json.loads(ws.recv())
            if msg.get("id") == next_id:
                break
        print(json.dumps(msg.get("result", {"error": msg.get("error")})), flush=True)


if __name__ == "__main__":
    main()
