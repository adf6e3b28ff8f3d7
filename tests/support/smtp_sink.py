#!/usr/bin/python3
"""A real SMTP server for tests, on a free loopback port.

Prints the port on the first line of stdout, then serves until it is killed or
its stdin is closed (so it never outlives the test that started it). Every
message accepted is appended to the JSON-lines file given with --out, one
object per message:
  mail_from, rcpt_tos      the envelope
  data_base64, data        the DATA bytes as received (exact, and as text)
  parsed                   the message read by Python's email package:
                           subject, headers [[name, value]...] (decoded),
                           text (the first text/plain body, decoded),
                           attachments [{filename, content_type, content_base64}]
Options:
  --refuse ADDRESS   answer RCPT TO for this address with 550 (repeatable)
  --refuse-data      answer the end of every message with 554 (nothing kept)
  --mute             accept connections but never say a word (for time-outs)

Runs under Debian's /usr/bin/python3, which has python3-aiosmtpd.
"""
import argparse
import asyncio
import base64
import json
import socket
import sys
from email import policy
from email.parser import BytesParser


def parse_message(raw):
    try:
        msg = BytesParser(policy=policy.default).parsebytes(raw)
        body = msg.get_body(preferencelist=("plain",))
        attachments = []
        for part in msg.iter_attachments():
            payload = part.get_payload(decode=True) or b""
            attachments.append({
                "filename": part.get_filename() or "",
                "content_type": part.get_content_type(),
                "content_base64": base64.b64encode(payload).decode("ascii"),
            })
        return {
            "subject": str(msg["subject"]) if msg["subject"] is not None else "",
            "headers": [[name, str(value)] for name, value in msg.items()],
            "text": body.get_content() if body is not None else "",
            "attachments": attachments,
        }
    except Exception as exc:  # the test sees the reason instead of a silent gap
        return {"error": repr(exc)}


class Sink:
    def __init__(self, out_path, refused, refuse_data):
        self.out_path = out_path
        self.refused = {a.lower() for a in refused}
        self.refuse_data = refuse_data

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.lower() in self.refused:
            return "550 5.1.1 <%s>: Recipient address rejected: User unknown" % address
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if self.refuse_data:
            return "554 5.7.1 Message rejected as spam"
        raw = envelope.original_content or envelope.content or b""
        if isinstance(raw, str):
            raw = raw.encode("utf-8", "surrogateescape")
        record = {
            "mail_from": envelope.mail_from,
            "rcpt_tos": list(envelope.rcpt_tos),
            "data_base64": base64.b64encode(raw).decode("ascii"),
            "data": raw.decode("utf-8", "replace"),
            "parsed": parse_message(raw),
        }
        with open(self.out_path, "a", encoding="utf-8") as f:
            f.write(json.dumps(record) + "\n")
            f.flush()
        return "250 2.0.0 Message accepted"


class Mute(asyncio.Protocol):
    def connection_made(self, transport):
        self.transport = transport  # hold it open, say nothing


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--out", required=True)
    ap.add_argument("--refuse", action="append", default=[])
    ap.add_argument("--refuse-data", action="store_true")
    ap.add_argument("--mute", action="store_true")
    args = ap.parse_args()

    sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    sock.bind(("127.0.0.1", 0))
    sock.listen(16)
    port = sock.getsockname()[1]

    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    if args.mute:
        factory = Mute
    else:
        from aiosmtpd.smtp import SMTP
        sink = Sink(args.out, args.refuse, args.refuse_data)
        factory = lambda: SMTP(sink, decode_data=False, hostname="sink.test")
    server = loop.run_until_complete(loop.create_server(factory, sock=sock))

    def stdin_closed():
        if not sys.stdin.buffer.read1(4096):
            loop.stop()
    try:
        loop.add_reader(sys.stdin.fileno(), stdin_closed)
    except (OSError, ValueError):
        pass  # stdin is no pipe (a terminal or a file): run until killed

    print(port, flush=True)
    try:
        loop.run_forever()
    finally:
        server.close()


if __name__ == "__main__":
    main()
