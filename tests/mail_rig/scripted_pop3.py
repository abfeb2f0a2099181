#!/usr/bin/python3
"""Scripted POP3 servers for the cases dovecot cannot play.

  scripted_pop3.py NTLM_PORT SILENT_PORT DROP_PORT SHORT_PORT

ntlm: only SASL NTLM ("ntlmuser" let in, anyone else refused), one message. silent: never greets.
drop: any USER/PASS logs in, two messages, the connection dropped half way through the second.
short: one message that ends, properly terminated, before the size LIST gave (a cut TLS session).
"""
import base64
import socketserver
import struct
import sys
import threading

MESSAGE_1 = (b"From: Scripted <scripted@example.net>\r\nTo: list@example.net\r\n"
             b"Subject: first of two\r\nMIME-Version: 1.0\r\n"
             b"Content-Type: text/plain; charset=utf-8\r\n\r\nfirst body\r\n")
MESSAGE_2 = (b"From: Scripted <scripted@example.net>\r\nSubject: second of two\r\n\r\n"
             + b"second body line that never ends\r\n" * 2000)
NTLM_MESSAGE = (b"From: NTLM Server <ntlm@example.net>\r\nSubject: over ntlm\r\n\r\n"
                b"ntlm body\r\n")


def ntlm_challenge():
    empty = struct.pack("<HHI", 0, 0, 48)
    flags = 0x00000001 | 0x00000200 | 0x00008000  # unicode, NTLM, always sign
    return (b"NTLMSSP\0" + struct.pack("<I", 2) + empty + struct.pack("<I", flags)
            + b"\x01\x23\x45\x67\x89\xab\xcd\xef" + b"\0" * 8 + empty)


def ntlm_user(type3):
    if len(type3) < 64 or not type3.startswith(b"NTLMSSP\0"):
        return None
    if struct.unpack_from("<I", type3, 8)[0] != 3:
        return None
    length, _, offset = struct.unpack_from("<HHI", type3, 36)
    flags = struct.unpack_from("<I", type3, 60)[0]
    raw = type3[offset:offset + length]
    return raw.decode("utf-16-le" if flags & 1 else "latin-1", errors="replace")


class Session(socketserver.StreamRequestHandler):
    mode = ""

    def send(self, text):
        self.wfile.write(text if isinstance(text, bytes) else text.encode())
        self.wfile.flush()

    def line(self):
        data = self.rfile.readline(10000)
        if not data:
            raise EOFError
        return data.rstrip(b"\r\n").decode(errors="replace")

    def multiline(self, body):
        stuffed = b"\r\n".join((b"." + l if l.startswith(b".") else l)
                               for l in body.split(b"\r\n"))
        if not stuffed.endswith(b"\r\n"):
            stuffed += b"\r\n"
        self.send(b"+OK\r\n" + stuffed + b".\r\n")

    def handle(self):
        if self.mode == "silent":
            while self.rfile.read(1):
                pass
            return
        try:
            self.send("+OK scripted POP3 ready\r\n")
            while self.command(self.line()):
                pass
        except (EOFError, OSError):
            pass

    def command(self, text):
        verb = text.split(" ")[0].upper()
        arg = text[len(verb):].strip()
        if verb == "CAPA":
            caps = "SASL NTLM\r\n" if self.mode == "ntlm" else "USER\r\n"
            self.send("+OK\r\n" + caps + "UIDL\r\n.\r\n")
        elif verb == "AUTH" and self.mode == "ntlm" and arg.upper() == "NTLM":
            self.send("+ \r\n")
            self.line()  # type 1
            self.send(b"+ " + base64.b64encode(ntlm_challenge()) + b"\r\n")
            user = ntlm_user(base64.b64decode(self.line()))
            self.send("+OK welcome\r\n" if user == "ntlmuser" else "-ERR [AUTH] refused\r\n")
        elif verb in ("USER", "PASS") and self.mode in ("drop", "short"):
            self.send("+OK\r\n")
        elif verb == "UIDL":
            # The drop server's listing also carries a line no server should send.
            uidls = {"ntlm": ["1 ntlm-uid-1"], "short": ["1 short-1"]}.get(
                self.mode, ["1 drop-1", "not a listing line", "2 drop-2"])
            self.send("+OK\r\n" + "".join(u + "\r\n" for u in uidls) + ".\r\n")
        elif verb == "LIST":
            sizes = {"ntlm": [len(NTLM_MESSAGE)], "short": [len(MESSAGE_1) + 400]}.get(
                self.mode, [len(MESSAGE_1), len(MESSAGE_2)])
            self.send("+OK\r\n" + "".join("%d %d\r\n" % (i + 1, n) for i, n in enumerate(sizes))
                      + ".\r\n")
        elif verb == "RETR":
            return self.retrieve(arg)
        elif verb == "QUIT":
            self.send("+OK bye\r\n")
            return False
        elif verb in ("NOOP", "DELE", "RSET"):
            self.send("+OK\r\n")
        else:
            self.send("-ERR unknown command\r\n")
        return True

    def retrieve(self, arg):
        if self.mode == "ntlm" and arg == "1":
            self.multiline(NTLM_MESSAGE)
        elif self.mode in ("drop", "short") and arg == "1":
            self.multiline(MESSAGE_1)
        elif self.mode == "drop" and arg == "2":
            self.send(b"+OK\r\n" + MESSAGE_2[: len(MESSAGE_2) // 2])
            self.connection.shutdown(2)
            return False
        else:
            self.send("-ERR no such message\r\n")
        return True


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


if __name__ == "__main__":
    for port, mode in zip(sys.argv[1:5], ("ntlm", "silent", "drop", "short")):
        handler = type("Session_" + mode, (Session,), {"mode": mode})
        server = Server(("127.0.0.1", int(port)), handler)
        threading.Thread(target=server.serve_forever, daemon=True).start()
    threading.Event().wait()
