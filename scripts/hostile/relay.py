#!/usr/bin/python3
# A misbehaving relay for scripts/measure-hostile.sh, installed in place of the real one.
# HOSTILE_CASE picks the misbehaviour; every call is logged to HOSTILE_LOG, and during a
# flood the number of events written so far goes to HOSTILE_COUNT.
import json, os, sys, time

case = os.environ["HOSTILE_CASE"]
args = sys.argv[1:]
with open(os.environ["HOSTILE_LOG"], "a") as log:
    log.write(" ".join(args) + "\n")
out = sys.stdout.buffer


def forever():
    while True:
        time.sleep(60)


def write(data):
    out.write(data)
    out.flush()


if args[:2] == ["relay", "status"]:
    if case == "big-status":  # 400 MB, then done
        chunk = b"x" * (1 << 20)
        for _ in range(400):
            write(chunk)
    elif case == "endless-status":
        chunk = b"x" * (1 << 20)
        while True:
            write(chunk)
    else:
        print(json.dumps({"paired": True, "server": "https://wrenbox.app",
                          "device": {"id": "d1", "name": "Hostile Mac"}}))
elif args[:2] == ["relay", "doctor"]:
    checks = []
    if case.startswith("checks-"):
        # Every report differs from the one before, so every refresh changes the rows.
        calls = sum(1 for line in open(os.environ["HOSTILE_LOG"]) if line.startswith("relay doctor"))
        checks = [{"id": f"check{i}", "status": "fail", "title": f"Check {i}",
                   "detail": f"Broken ({calls})" if i == 0 else "Broken", "fix": "Fix it"}
                  for i in range(int(case[len("checks-"):]))]
    print(json.dumps({"problems": len(checks), "checks": checks}))
elif args[:2] == ["relay", "run"]:
    if case == "event-storm":  # 300 events in one write, each asking for a refresh
        write(b'{"event":"unpaired"}\n' * 300)
    elif case.startswith("big-message"):
        size = int(os.environ.get("HOSTILE_MESSAGE_BYTES", 1_000_000))
        write(json.dumps({"event": "error", "message": "M" * size}).encode() + b"\n")
        if case == "big-message-exit":
            sys.exit(1)
    elif case.startswith("checks-"):  # one more refresh while Setup is open
        time.sleep(1)
        write(b'{"event":"unpaired"}\n')
    elif case == "flood":  # a batch of 600 texts and replies, 7 events a write, forever
        kinds = [b'{"event":"synced","jobs":600}']
        kinds += [b'{"event":"failed","message":"The carrier refused this text"}' if i % 7 == 3
                  else b'{"event":"sent"}' for i in range(600)]
        kinds += [b'{"event":"received"}'] * 100
        blocks = [b"".join(k + b"\n" for k in kinds[i:i + 7]) for i in range(0, len(kinds), 7)]
        count, written, last = os.environ["HOSTILE_COUNT"], 0, 0.0
        while True:
            for block in blocks:
                write(block)
                written += 7
            if time.monotonic() - last > 0.25:
                with open(count + ".tmp", "w") as f:
                    f.write(f"{written}\n")
                os.replace(count + ".tmp", count)
                last = time.monotonic()
    forever()
else:
    sys.exit(64)
