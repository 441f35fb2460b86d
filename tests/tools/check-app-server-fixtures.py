#!/usr/bin/python3
# Checks the stand-in app server's answers against the protocol the installed Codex CLI prints,
# so that they cannot drift from what the real server says. Usage: <codex> <fixtures folder>
import json, os, subprocess, sys, tempfile
import jsonschema

codex, fixtures = sys.argv[1], sys.argv[2]
schemas = {"initialize": "v1/InitializeResponse.json", "account-read": "v2/GetAccountResponse.json",
           "account-rateLimits-read": "v2/GetAccountRateLimitsResponse.json"}
with tempfile.TemporaryDirectory() as out:
    subprocess.run([codex, "app-server", "generate-json-schema", "--out", out], check=True,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
    error_schema = json.load(open(os.path.join(out, "JSONRPCErrorError.json")))
    checked = 0
    for case in sorted(os.listdir(fixtures)):
        for name in sorted(os.listdir(os.path.join(fixtures, case))):
            answer = json.load(open(os.path.join(fixtures, case, name)))
            method = name.removesuffix(".json")
            if "error" in answer:
                jsonschema.validate(answer["error"], error_schema)
            else:
                jsonschema.validate(answer["result"], json.load(open(os.path.join(out, schemas[method]))))
            checked += 1
    print(f"{checked} answers match the protocol")
    sys.exit(0 if checked >= 7 else 1)
