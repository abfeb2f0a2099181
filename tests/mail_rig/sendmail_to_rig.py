#!/usr/bin/python3
"""A stand-in for the host's sendmail, for PHP's mail() under test: reads the message PHP
writes on standard input and submits it to the test SMTP server.

  sendmail_to_rig.py PORT [LOG]

Recipients come from the To header (like sendmail -t); the envelope sender is the From
address. With LOG, each message's bytes are appended there too, so a test can count them.
"""
import email
import email.policy
import email.utils
import smtplib
import sys


def main(argv):
    port = int(argv[1])
    data = sys.stdin.buffer.read()
    if len(argv) > 2:
        with open(argv[2], "ab") as log:
            log.write(data + b"\n.\n")
    message = email.message_from_bytes(data, policy=email.policy.compat32)
    recipients = [a for _, a in email.utils.getaddresses(message.get_all("To", [])) if a]
    sender = email.utils.parseaddr(message.get("From", ""))[1] or "kit@localhost"
    if not recipients:
        sys.stderr.write("sendmail_to_rig: no recipient\n")
        return 1
    with smtplib.SMTP("127.0.0.1", port, timeout=10) as smtp:
        smtp.sendmail(sender, recipients, data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
