#!/usr/bin/python3
"""SMTP sink for the mail client tests: stores each accepted message in
DIR/mail/<local part before any "+">/Maildir/new, where dovecot serves it.

  smtp_sink.py DIR PLAIN_PORT SUBMISSION_PORT TLS_PORT IDLE_PORT REPLY_PORT

plain: STARTTLS offered, no AUTH; submission: STARTTLS and AUTH required; TLS: implicit TLS with
AUTH required; idle: plain, drops connections idle for a second. Passwords come from DIR/users
(read at every AUTH), bearer tokens are checked with the OAuth2 server's introspection. After
DATA, local part "reject" gets 554, "tempfail" 451, "dead" a bare 550 and a delivery report to
the envelope sender naming the recipient only as the server rewrote it, as forwarding servers do.
reply: as providers answer: RCPT of "tempfailonce..." gets 451 the first time, "tempfail..." 451
always, "unknown..." 550 5.1.1; sender "limit<N>-..." gets 421 at MAIL after N accepted messages.
"""
import asyncio
import json
import logging
import os
import re
import ssl
import sys
import time
import urllib.parse
import urllib.request
from base64 import b64decode

from aiosmtpd.smtp import MISSING, SMTP, AuthResult, LoginPassword

DIR = sys.argv[1]
_counter = 0


def authenticator(server, session, envelope, mechanism, auth_data):
    with open(os.path.join(DIR, "users")) as f:
        entries = [line.split(":")[:2] for line in f]
    ok = (isinstance(auth_data, LoginPassword) and auth_data.password != b""
          and [auth_data.login.decode(errors="replace"),
               "{PLAIN}" + auth_data.password.decode(errors="replace")] in entries)
    # handled=False makes aiosmtpd answer 535 itself; a handled failure would answer nothing.
    return AuthResult(success=ok, handled=False)


def bearer_owner(token):
    """The user a live access token belongs to, by the authorization server's introspection."""
    with open(os.path.join(DIR, "oauth.url")) as f:
        url = f.read().strip() + "/introspect"
    body = urllib.parse.urlencode({"token": token}).encode()
    with urllib.request.urlopen(url, body, timeout=5) as reply:
        info = json.load(reply)
    return info.get("username") if info.get("active") is True else None


def bearer_fields(blob):
    """(user, token) of an XOAUTH2 ("user=U^Aauth=Bearer T^A^A") or OAUTHBEARER
    ("n,a=U,^Aauth=Bearer T^A^A") initial response."""
    user = re.match(r"(?:user=|n,(?:[^\x01]*,)?a=)([^,\x01]*)", blob)
    token = re.search(r"\x01auth=Bearer ([^\x01]*)", blob)
    return user and user.group(1), token and token.group(1)


async def bearer_log_in(server, args):
    blob = await server.challenge_auth("") if len(args) == 1 else b64decode(args[1])
    if blob is MISSING:
        return AuthResult(success=False, handled=True)
    user, token = bearer_fields(blob.decode(errors="replace"))
    ok = bool(user and token) and bearer_owner(token) == user
    return AuthResult(success=ok, handled=False)


def store(local_part, data):
    global _counter
    _counter += 1
    maildir = os.path.join(DIR, "mail", local_part, "Maildir")
    for sub in ("new", "cur", "tmp"):
        os.makedirs(os.path.join(maildir, sub), exist_ok=True)
    unique = "%d.%d_%d.sink" % (time.time_ns(), os.getpid(), _counter)
    tmp = os.path.join(maildir, "tmp", unique)
    with open(tmp, "wb") as f:
        f.write(data)
    os.rename(tmp, os.path.join(maildir, "new", unique))


def delivery_report(envelope):
    """An RFC 3464 report of a permanent failure, addressed to the envelope sender."""
    original = envelope.original_content.replace(b"\r\n", b"\n")
    headers = original.split(b"\n\n", 1)[0].decode(errors="replace")
    return ("From: Mail Delivery System <MAILER-DAEMON@rig.example>\n"
            "To: %s\n"
            "Subject: Undelivered Mail Returned to Sender\n"
            "Message-ID: <%d.report@rig.example>\n"
            "Auto-Submitted: auto-replied\n"
            "MIME-Version: 1.0\n"
            "Content-Type: multipart/report; report-type=delivery-status; boundary=\"RIG\"\n\n"
            "--RIG\nContent-Type: text/plain\n\nYour message could not be delivered.\n"
            "--RIG\nContent-Type: message/delivery-status\n\n"
            "Reporting-MTA: dns; rig.example\n\n"
            "Final-Recipient: rfc822; mbox-%d@store.internal\n"
            "Action: failed\nStatus: 5.1.1\n"
            "Diagnostic-Code: smtp; 550 5.1.1 mailbox unavailable\n"
            "--RIG\nContent-Type: text/rfc822-headers\n\n%s\n--RIG--\n"
            % (envelope.mail_from, time.time_ns(), _counter, headers)).encode()


def mailbox_of(address):
    return address.split("@")[0].split("+")[0].lower()


def safe(local_part):
    return local_part.replace(".", "").replace("-", "").replace("_", "").isalnum()


class Handler:
    async def auth_XOAUTH2(self, server, args):
        return await bearer_log_in(server, args)

    async def auth_OAUTHBEARER(self, server, args):
        return await bearer_log_in(server, args)

    async def handle_DATA(self, server, session, envelope):
        locals_ = [rcpt.split("@")[0].lower() for rcpt in envelope.rcpt_tos]
        if "dead" in locals_:
            sender = mailbox_of(envelope.mail_from or "")
            if safe(sender):
                store(sender, delivery_report(envelope))
            return "550 Requested action not taken"
        if "reject" in locals_:
            return "554 5.7.1 Message refused for testing"
        if "tempfail" in locals_:
            return "451 4.3.0 Try again later"
        # Maildir files hold LF line ends; dovecot restores CR LF when it serves them.
        data = envelope.original_content.replace(b"\r\n", b"\n")
        for local_part in (mailbox_of(rcpt) for rcpt in envelope.rcpt_tos):
            if not safe(local_part):
                return "550 5.1.1 Bad mailbox name"
            store(local_part, data)
        return "250 2.0.0 Stored"


class ReplyHandler(Handler):
    """The replies of a provider with limits and unknown recipients."""

    def __init__(self):
        self.accepted = {}
        self.refused_once = set()

    async def handle_MAIL(self, server, session, envelope, address, mail_options):
        limit = re.match(r"limit(\d+)-", address.lower())
        if limit and self.accepted.get(address.lower(), 0) >= int(limit.group(1)):
            return "421 4.7.0 Too many messages, try again later"
        envelope.mail_from = address
        envelope.mail_options.extend(mail_options)
        return "250 OK"

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        local = address.split("@")[0].lower()
        if local.startswith("tempfailonce") and local not in self.refused_once:
            self.refused_once.add(local)
            return "451 4.3.0 Try again later"
        if local.startswith("tempfail") and not local.startswith("tempfailonce"):
            return "451 4.3.0 Try again later"
        if local.startswith("unknown"):
            return "550 5.1.1 <%s>: Recipient address rejected: User unknown" % address
        envelope.rcpt_tos.append(address)
        envelope.rcpt_options.extend(rcpt_options)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        reply = await super().handle_DATA(server, session, envelope)
        if reply.startswith("250"):
            sender = envelope.mail_from.lower()
            self.accepted[sender] = self.accepted.get(sender, 0) + 1
        return reply


async def main():
    plain, submission, implicit, idle, reply = (int(p) for p in sys.argv[2:7])
    loop = asyncio.get_running_loop()
    handler = Handler()
    reply_handler = ReplyHandler()
    ctx = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    ctx.load_cert_chain(os.path.join(DIR, "server.crt"), os.path.join(DIR, "server.key"))
    factories = [
        (plain, None, lambda: SMTP(handler, hostname="localhost", tls_context=ctx,
                                   require_starttls=False)),
        (submission, None, lambda: SMTP(handler, hostname="localhost", tls_context=ctx,
                                        require_starttls=True, auth_required=True,
                                        auth_require_tls=True, authenticator=authenticator)),
        (implicit, ctx, lambda: SMTP(handler, hostname="localhost", auth_required=True,
                                     auth_require_tls=False, authenticator=authenticator)),
        (idle, None, lambda: SMTP(handler, hostname="localhost", timeout=1)),
        (reply, None, lambda: SMTP(reply_handler, hostname="localhost")),
    ]
    for port, server_ssl, factory in factories:
        await loop.create_server(factory, "127.0.0.1", port, ssl=server_ssl)
    await asyncio.Event().wait()


if __name__ == "__main__":
    logging.basicConfig(level=logging.WARNING)
    asyncio.run(main())
