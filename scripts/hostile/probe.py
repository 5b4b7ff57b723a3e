#!/usr/bin/python3
# Hands arguments to the running app over its single-copy socket, as a second launch does,
# and times each acknowledgement: the app answers only when its main loop turns, so the
# longest answer is the longest freeze.
#   probe.py SECONDS [ARGUMENT...]: hands ARGUMENTs over once, then probes for SECONDS with
#   an argument the app ignores; prints "PROBES MEDIAN_MS LONGEST_MS". An answer is awaited
#   for at most 100 s; a longest of 100000 means no answer came in that time.
import os, socket, struct, sys, time

path = os.path.join(os.environ["XDG_RUNTIME_DIR"], f"wrenbox-{os.getuid()}.socket")


def hand_over(arguments):
    body = b"".join(a.encode() + b"\0" for a in ["wrenbox-app"] + arguments)
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as s:
        s.settimeout(100)
        begun = time.perf_counter()
        s.connect(path)
        s.sendall(struct.pack(">I", len(body)) + body)
        try:
            if s.recv(1) != b"k":
                raise OSError("no acknowledgement")
        except socket.timeout:
            return 100_000.0
        return (time.perf_counter() - begun) * 1000


if len(sys.argv) > 2:
    hand_over(sys.argv[2:])
times = []
end = time.monotonic() + float(sys.argv[1])
while time.monotonic() < end:
    try:
        times.append(hand_over(["about:blank"]))  # a link that is no pairing link
    except OSError:
        pass
    time.sleep(0.02)
times.sort()
print(len(times), f"{times[len(times) // 2]:.1f}" if times else "-", f"{times[-1]:.1f}" if times else "-")
