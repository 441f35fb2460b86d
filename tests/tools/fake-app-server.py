#!/usr/bin/python3
# Stands in for "codex app-server" in a folder named by $FAKE_APP_SERVER: each request is answered
# with the folder's "<method, '/' as '-'>.json" (the whole answer but its id), after a notification
# the client must pass over; a method without a file is never answered. A file "exit" ends it at
# once; a file "linger" leaves a child in its process group, its pid in "child.pid"; a file "delay"
# holds the seconds it waits before it answers "account/read". It records its CODEX_HOME and every
# line it received.
import json, os, subprocess, sys, time

folder = os.environ["FAKE_APP_SERVER"]
if os.path.exists(os.path.join(folder, "linger")):
    child = subprocess.Popen(["/bin/sleep", "300"])
    with open(os.path.join(folder, "child.pid"), "w") as f:
        f.write(str(child.pid))
if sys.argv[1:] != ["app-server"] or os.path.exists(os.path.join(folder, "exit")):
    sys.exit(3)
with open(os.path.join(folder, "codex-home"), "w") as f:
    f.write(os.environ.get("CODEX_HOME", ""))
for line in sys.stdin:
    with open(os.path.join(folder, "received"), "a") as log:
        log.write(line)
    message = json.loads(line)
    answer = os.path.join(folder, str(message.get("method")).replace("/", "-") + ".json")
    if "id" in message and os.path.exists(answer):
        with open(answer) as f:
            reply = json.load(f)
        reply["id"] = message["id"]
        delay = os.path.join(folder, "delay")
        if message.get("method") == "account/read" and os.path.exists(delay):
            with open(delay) as f:
                time.sleep(float(f.read()))
        print(json.dumps({"method": "configWarning", "params": {"summary": "x", "details": None}}), flush=True)
        print(json.dumps(reply), flush=True)
