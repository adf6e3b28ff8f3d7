"""A POP3 server that breaks off in the middle of a message.

Serves one mailbox of the messages given as files on the command line (any
user name and password are accepted). LIST, UIDL and TOP answer in full; RETR
of message number --drop sends the first half of the message and closes the
connection without the terminating line. Every command received is appended to
--log, one per line, so a test can see that no DELE reached the server.
Prints the port it listens on (loopback, chosen by the system), then serves
until killed.
"""
import argparse
import socket
import sys


def read_messages(paths):
    out = []
    for p in paths:
        with open(p, "rb") as f:
            data = f.read().replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
        out.append(data)
    return out


def stuffed(data):
    lines = data.split(b"\r\n")
    if lines and lines[-1] == b"":
        lines.pop()
    return b"".join((b"." + l if l.startswith(b".") else l) + b"\r\n" for l in lines)


def serve(conn, messages, drop, log):
    f = conn.makefile("rb")

    def send(b):
        conn.sendall(b)

    send(b"+OK stand-in ready\r\n")
    while True:
        line = f.readline()
        if not line:
            return
        cmd = line.decode("latin-1").strip()
        with open(log, "a") as lg:
            lg.write(cmd + "\n")
        word = cmd.split(" ")[0].upper()
        args = cmd.split(" ")[1:]
        if word == "CAPA":
            send(b"+OK\r\nUSER\r\nUIDL\r\nTOP\r\n.\r\n")
        elif word in ("USER", "PASS", "NOOP", "RSET"):
            send(b"+OK\r\n")
        elif word == "STAT":
            send(b"+OK %d %d\r\n" % (len(messages), sum(len(m) for m in messages)))
        elif word == "LIST":
            send(b"+OK\r\n" + b"".join(b"%d %d\r\n" % (i + 1, len(m)) for i, m in enumerate(messages)) + b".\r\n")
        elif word == "UIDL":
            send(b"+OK\r\n" + b"".join(b"%d uid-%d\r\n" % (i + 1, i + 1) for i in range(len(messages))) + b".\r\n")
        elif word == "TOP":
            m = messages[int(args[0]) - 1]
            head = m.split(b"\r\n\r\n", 1)[0] + b"\r\n\r\n"
            send(b"+OK\r\n" + stuffed(head) + b".\r\n")
        elif word == "RETR":
            n = int(args[0])
            m = messages[n - 1]
            if n == drop:
                send(b"+OK %d octets\r\n" % len(m) + m[: len(m) // 2])
                conn.shutdown(socket.SHUT_RDWR)
                conn.close()
                return
            send(b"+OK %d octets\r\n" % len(m) + stuffed(m) + b".\r\n")
        elif word == "DELE":
            send(b"+OK\r\n")
        elif word == "QUIT":
            send(b"+OK bye\r\n")
            conn.close()
            return
        else:
            send(b"-ERR unknown command\r\n")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--drop", type=int, default=1)
    ap.add_argument("--log", required=True)
    ap.add_argument("messages", nargs="*")
    a = ap.parse_args()
    messages = read_messages(a.messages)
    srv = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    srv.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    srv.bind(("127.0.0.1", 0))
    srv.listen(5)
    print(srv.getsockname()[1], flush=True)
    while True:
        conn, _ = srv.accept()
        try:
            serve(conn, messages, a.drop, a.log)
        except (BrokenPipeError, ConnectionResetError):
            pass
        finally:
            try:
                conn.close()
            except OSError:
                pass


if __name__ == "__main__":
    sys.exit(main())
