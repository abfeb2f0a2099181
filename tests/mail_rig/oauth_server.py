#!/usr/bin/python3
"""OAuth2 authorization server for the mail client tests, on 127.0.0.1 only.

  oauth_server.py PORT

/authorize  GET: the consent page (PKCE S256, loopback redirect only); POST user=...: redirect
/token      POST: grant_type authorization_code (checks the PKCE verifier) or refresh_token
/introspect POST token=...: {"active": true, "username": ...} for a live access token
/test/issue, /test/expire, /test/revoke, /test/rotate  POST user=...: tokens without the browser;
            expire the user's access tokens; revoke its refresh tokens; from then on answer every
            refresh grant with a new refresh token and withdraw the old one
"""
import base64
import hashlib
import html
import json
import secrets
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlencode, urlparse

LOCK = threading.Lock()
CODES = {}    # code -> dict(client_id, redirect_uri, challenge, user, scope)
ACCESS = {}   # access token -> (user, expiry)
REFRESH = {}  # refresh token -> user
ROTATING = set()  # users whose refresh tokens are replaced at every refresh grant
LIFETIME = 3600


def issue(user, expires_in=LIFETIME, refresh=None):
    access = "at-" + secrets.token_urlsafe(16)
    with LOCK:
        ACCESS[access] = (user, time.time() + expires_in)
        if refresh is None:
            refresh = "rt-" + secrets.token_urlsafe(16)
            REFRESH[refresh] = user
    return {"access_token": access, "token_type": "Bearer", "expires_in": expires_in,
            "refresh_token": refresh}


def s256(verifier):
    digest = hashlib.sha256(verifier.encode()).digest()
    return base64.urlsafe_b64encode(digest).decode().rstrip("=")


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, fmt, *args):
        sys.stderr.write("oauth: " + (fmt % args) + "\n")

    def reply(self, status, body, content_type="application/json", headers=()):
        data = body.encode() if isinstance(body, str) else body
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Cache-Control", "no-store")
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(data)

    def json(self, status, obj):
        self.reply(status, json.dumps(obj))

    def do_GET(self):
        url = urlparse(self.path)
        if url.path != "/authorize":
            return self.json(404, {"error": "not_found"})
        q = {k: v[0] for k, v in parse_qs(url.query).items()}
        problem = authorize_problem(q)
        if problem:
            return self.json(400, {"error": "invalid_request", "error_description": problem})
        hidden = "".join('<input type="hidden" name="%s" value="%s">' %
                         (html.escape(k), html.escape(v)) for k, v in q.items())
        page = ("<html><body><h1>Allow Tidewell to use your mailbox?</h1>"
                '<form method="post" action="/authorize">%s'
                '<label>User <input id="user" name="user"></label>'
                '<button id="allow" type="submit">Allow</button></form></body></html>') % hidden
        self.reply(200, page, "text/html; charset=utf-8")

    def do_POST(self):
        path = urlparse(self.path).path
        raw = self.rfile.read(int(self.headers.get("Content-Length") or 0)).decode()
        f = {k: v[0] for k, v in parse_qs(raw, keep_blank_values=True).items()}
        if path == "/authorize":
            return self.consent(f)
        if path == "/token":
            return self.token(f)
        if path == "/introspect":
            with LOCK:
                entry = ACCESS.get(f.get("token", ""))
            if entry and entry[1] > time.time():
                return self.json(200, {"active": True, "username": entry[0],
                                       "exp": int(entry[1])})
            return self.json(200, {"active": False})
        if path == "/test/issue":
            return self.json(200, issue(f["user"], int(f.get("expires_in", LIFETIME))))
        if path == "/test/rotate":
            with LOCK:
                ROTATING.add(f["user"])
            return self.json(200, {})
        if path in ("/test/expire", "/test/revoke"):
            with LOCK:
                for token, (user, _) in list(ACCESS.items()):
                    if user == f["user"]:
                        ACCESS[token] = (user, 0)
                if path == "/test/revoke":
                    for token, user in list(REFRESH.items()):
                        if user == f["user"]:
                            del REFRESH[token]
            return self.json(200, {})
        return self.json(404, {"error": "not_found"})

    def consent(self, f):
        problem = authorize_problem(f) or ("" if f.get("user") else "no user")
        if problem:
            return self.json(400, {"error": "invalid_request", "error_description": problem})
        code = "code-" + secrets.token_urlsafe(12)
        with LOCK:
            CODES[code] = {"client_id": f["client_id"], "redirect_uri": f["redirect_uri"],
                           "challenge": f["code_challenge"], "user": f["user"]}
        query = {"code": code, **({"state": f["state"]} if "state" in f else {})}
        self.reply(302, "", "text/plain",
                   [("Location", f["redirect_uri"] + "?" + urlencode(query))])

    def token(self, f):
        grant = f.get("grant_type")
        if grant == "authorization_code":
            with LOCK:
                entry = CODES.pop(f.get("code", ""), None)
            if (not entry or entry["client_id"] != f.get("client_id")
                    or entry["redirect_uri"] != f.get("redirect_uri")
                    or s256(f.get("code_verifier", "")) != entry["challenge"]):
                return self.json(400, {"error": "invalid_grant"})
            return self.json(200, issue(entry["user"]))
        if grant == "refresh_token":
            refresh = f.get("refresh_token", "")
            with LOCK:
                user = REFRESH.get(refresh)
                rotate = user in ROTATING
                if rotate:
                    del REFRESH[refresh]
            if not user or not f.get("client_id"):
                return self.json(400, {"error": "invalid_grant",
                                       "error_description": "refresh token revoked"})
            return self.json(200, issue(user, refresh=None if rotate else refresh))
        return self.json(400, {"error": "unsupported_grant_type"})


def authorize_problem(q):
    if q.get("response_type") != "code":
        return "response_type must be code"
    if not q.get("client_id"):
        return "client_id missing"
    if q.get("code_challenge_method") != "S256" or not q.get("code_challenge"):
        return "PKCE with S256 is required"
    redirect = urlparse(q.get("redirect_uri", ""))
    if redirect.scheme != "http" or redirect.hostname != "127.0.0.1":
        return "the redirect must go to the loopback address"
    return ""


if __name__ == "__main__":
    server = ThreadingHTTPServer(("127.0.0.1", int(sys.argv[1])), Handler)
    server.daemon_threads = True
    server.serve_forever()
