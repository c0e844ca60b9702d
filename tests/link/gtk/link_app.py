#!/usr/bin/env python3
"""A mobile app as the device link test plays it, with nothing but the standard library: it finds
the desktop by an mDNS query, pairs, lists, fetches and uploads, keeping its pairing in a state
file between runs.

    link_app.py STATE browse
    link_app.py STATE pair PIN DEVICE
    link_app.py STATE list | fetch KEY [VERSION] | upload FILENAME FILE
    link_app.py STATE restart          (forgets the last challenge, as after the desktop's restart)

Each request prints the HTTP status on the first line and the body after it.
"""

import base64
import hashlib
import http.client
import json
import os
import random
import socket
import struct
import sys
import uuid

SERVICE = "_tarnwick._tcp.local"


def b64(data):
    return base64.urlsafe_b64encode(data).rstrip(b"=").decode()


def unb64(text):
    return base64.urlsafe_b64decode(text + "=" * (-len(text) % 4))


def encode_name(name):
    out = b""
    for label in name.rstrip(".").split("."):
        raw = label.encode()
        out += bytes([len(raw)]) + raw
    return out + b"\0"


def read_name(message, at):
    labels, end = [], None
    for _ in range(128):
        length = message[at]
        if length & 0xC0 == 0xC0:
            if end is None:
                end = at + 2
            at = ((length & 0x3F) << 8) | message[at + 1]
            continue
        if length == 0:
            return ".".join(labels), (end if end is not None else at + 1)
        labels.append(message[at + 1:at + 1 + length].decode("utf-8", "replace"))
        at += 1 + length
    raise ValueError("name loops")


def query(name, rtype, timeout=2.0):
    """One legacy unicast mDNS question on the loopback interface; the answers as
    (name, type, data) with the data decoded for PTR, SRV and TXT."""
    packet = struct.pack(">HHHHHH", random.randint(1, 65535), 0, 1, 0, 0, 0) + encode_name(name) + struct.pack(">HH", rtype, 1)
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sock:
        sock.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_IF, socket.inet_aton("127.0.0.1"))
        sock.settimeout(timeout)
        sock.sendto(packet, ("224.0.0.251", 5353))
        try:
            message, _ = sock.recvfrom(9000)
        except socket.timeout:
            return []
    _, _, questions, answers, authorities, additionals = struct.unpack(">HHHHHH", message[:12])
    at = 12
    for _ in range(questions):
        _, at = read_name(message, at)
        at += 4
    records = []
    for _ in range(answers + authorities + additionals):
        rname, at = read_name(message, at)
        rtype_, _, _, length = struct.unpack(">HHIH", message[at:at + 10])
        at += 10
        data = message[at:at + length]
        if rtype_ == 12:
            value = read_name(message, at)[0]
        elif rtype_ == 33:
            value = struct.unpack(">HHH", data[:6])[2]
        elif rtype_ == 16:
            value, i = {}, 0
            while i < len(data):
                entry = data[i + 1:i + 1 + data[i]].decode()
                i += 1 + data[i]
                key, _, val = entry.partition("=")
                value[key] = val
        else:
            value = data
        records.append((rname, rtype_, value))
        at += length
    return records


def browse(attempts=50):
    for _ in range(attempts):
        instances = [v for n, t, v in query(SERVICE, 12) if t == 12]
        for instance in instances:
            port = [v for n, t, v in query(instance, 33) if t == 33]
            txt = [v for n, t, v in query(instance, 16) if t == 16]
            if port and txt:
                return {"instance": instance, "port": port[0], "txt": txt[0]}
        import time
        time.sleep(0.2)
    raise SystemExit("the service was not found")


def load(path):
    if os.path.exists(path):
        with open(path) as f:
            return json.load(f)
    return {"app": "org.example.phone-" + uuid.uuid4().hex[:8], "secret": "", "challenge": ""}


def save(path, state):
    with open(path, "w") as f:
        json.dump(state, f)


def request(state, path, headers=None, body=None, content_type=None):
    connection = http.client.HTTPConnection("127.0.0.1", state["port"], timeout=120)
    headers = dict(headers or {})
    if content_type:
        headers["Content-Type"] = content_type
    connection.request("POST" if body is not None else "GET", path, body=body, headers=headers)
    reply = connection.getresponse()
    data = reply.read()
    challenge = reply.getheader("Fernquill-Challenge")
    if challenge:
        state["challenge"] = challenge
    return reply.status, data


def paired(state):
    secret = unb64(state["secret"]) if state["secret"] else b""
    last = unb64(state["challenge"]) if state["challenge"] else b""
    return {
        "fernquill-app-id": state["app"],
        "fernquill-authenticate": b64(hashlib.sha256(secret + last).digest()),
        "fernquill-challenge": b64(os.urandom(32)),
    }


def multipart(fields):
    boundary = "----link" + uuid.uuid4().hex
    body = b""
    for name, value in fields:
        body += ("--%s\r\nContent-Disposition: form-data; name=\"%s\"\r\n\r\n" % (boundary, name)).encode() + value + b"\r\n"
    body += ("--%s--\r\n" % boundary).encode()
    return body, "multipart/form-data; boundary=" + boundary


def main():
    path, command, args = sys.argv[1], sys.argv[2], sys.argv[3:]
    state = load(path)
    if command == "browse":
        found = browse()
        state["port"] = found["port"]
        state["bonjour"] = found["txt"].get("challenge", "")
        save(path, state)
        print(json.dumps(found))
        return
    if command == "restart":
        state["challenge"] = ""
        save(path, state)
        return
    if command == "pair":
        pin, device = int(args[0]), args[1]
        own = os.urandom(32)
        secret = struct.pack(">I", pin) + own
        headers = {
            "fernquill-app-id": state["app"],
            "fernquill-challenge": b64(own),
            "fernquill-device": b64(device.encode()),
            "fernquill-authenticate": b64(hashlib.sha256(secret + unb64(state["bonjour"])).digest()),
        }
        status, data = request(state, "/pair", headers)
        if data == b"OK":
            state["secret"] = b64(secret)
    elif command == "list":
        status, data = request(state, "/mindmaps/list", paired(state))
    elif command == "fetch":
        headers = paired(state)
        if len(args) > 1:
            headers["fernquill-version"] = args[1]
        status, data = request(state, "/mindmaps/" + args[0], headers)
    elif command == "upload":
        with open(args[1], "rb") as f:
            body, content_type = multipart([("filename", args[0].encode()), ("userid", b"phone"), ("twk", f.read())])
        status, data = request(state, "/mindmaps/upload", paired(state), body, content_type)
    else:
        raise SystemExit("unknown command " + command)
    save(path, state)
    # One binary stream for both: a text stream buffers apart from its byte stream, and on a pipe
    # the body would come out before the status line.
    out = sys.stdout.buffer
    out.write(b"%d\n" % status)
    out.write(data)
    out.flush()


if __name__ == "__main__":
    main()
