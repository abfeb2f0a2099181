#!/usr/bin/python3
"""The web kit's pages under PHP's own server, their mail() going to the test SMTP server:
what they send, what they refuse, and the status of each answer.

  kit_test.py RIG_DIR
"""
import os
import shutil
import sys
import unittest
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import kit_harness as kit  # noqa: E402

RIG = None
SECRET = "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff"
WEB = os.path.join(kit.TOP, "web")


def write_config(folder, list_address):
    text = """<?php
return [
  'secret' => '%s',
  'list' => '%s',
  'sender' => 'webkit@127.0.0.1.example',
  'filters' => [
    ['title' => 'News', 'optout' => '', 'subjects' => ['join']],
    ['title' => 'Zoë\\'s list', 'optout' => 'bye', 'subjects' => ['subscribe', 'hello']],
  ],
  'redirects' => ['https://example.com/thanks.html'],
  'limits' => ['address_per_hour' => 3, 'client_per_hour' => 40, 'total_per_hour' => 500],
];
""" % (SECRET, list_address)
    with open(os.path.join(folder, "config.php"), "w") as f:
        f.write(text)


class KitTest(unittest.TestCase):
    def setUp(self):
        self.user, _ = RIG.claim()
        self.list = self.user + "@example.net"
        self.top, self.remove = kit.temp_folder()
        self.folder = os.path.join(self.top, "kit")
        os.makedirs(self.folder)
        for page in ("email.php", "o.php", "c.php", "kit.php"):
            shutil.copy(os.path.join(WEB, page), self.folder)
        write_config(self.folder, self.list)
        self.server = kit.KitServer(self.folder, RIG.port("SMTP_PLAIN_PORT"))

    def tearDown(self):
        self.server.stop()
        self.remove()

    def form(self, **changes):
        fields = {"input2": "Zoë Ünicode", "input3": "Straße 1", "input1": "zoe@example.org",
                  "Button1": "Submit", "subject": "join",
                  "redirect": "https://example.com/thanks.html", "to": self.list,
                  "tw_time": kit.form_stamp(SECRET), "website": ""}
        fields.update(changes)
        return {k: v for k, v in fields.items() if v is not None}

    def opt_out_path(self, address="sub@example.org", title="News", **changes):
        query = {"t": self.list, "f": address, "s": title, "c": "o",
                 "k": kit.token(SECRET, address, title)}
        query.update(changes)
        return "/o.php?" + urllib.parse.urlencode({k: v for k, v in query.items() if v is not None})

    def test_pages_lint(self):
        self.assertIsNone(kit.lint(WEB))

    def test_sign_up_mails_the_markers_to_the_list_and_redirects(self):
        status, headers, _ = self.server.request("POST", "/email.php", self.form())
        self.assertEqual(status, 303)
        self.assertEqual(headers.get("location"), "https://example.com/thanks.html")
        sent = RIG.wait_for(self.user, 1)
        self.assertEqual(len(sent), 1)
        text = sent[0].decode()
        self.assertIn("To: " + self.list, text)
        self.assertIn("Subject: join", text)
        self.assertIn("Reply-To: zoe@example.org", text)
        self.assertIn("@@@input2@@@=Zoë Ünicode=@@@input2@@@", text)
        self.assertIn("@@@input3@@@=Straße 1=@@@input3@@@", text)
        self.assertIn("@@@input1@@@=zoe@example.org=@@@input1@@@", text)
        self.assertNotIn("Button1", text)
        self.assertNotIn("Auto-Submitted", text)

    def test_sign_up_to_a_page_not_allowed_gets_the_thank_you_page(self):
        status, headers, body = self.server.request(
            "POST", "/email.php", self.form(redirect="https://evil.example/x", subject="hello"))
        self.assertEqual(status, 200)
        self.assertNotIn("location", headers)
        self.assertIn("check your mailbox", body)
        self.assertIn("Subject: hello", RIG.wait_for(self.user, 1)[0].decode())

    def test_refused_sign_ups_send_nothing(self):
        cases = [
            ("GET", None, 405),
            ("POST", self.form(to="someone@else.example"), 400),
            ("POST", self.form(to=None), 400),
            ("POST", self.form(subject="free money"), 400),
            ("POST", self.form(input1="not an address"), 400),
            ("POST", self.form(input1=None), 400),
            ("POST", self.form(input1="zoe@example.org\r\nBcc: victim@example.com"), 400),
            ("POST", self.form(input2="Zoë\r\nBcc: victim@example.com"), 400),
            ("POST", self.form(input2="a\x00b"), 400),
            ("POST", self.form(input2="x=@@@input1@@@=victim@example.com"), 400),
            ("POST", self.form(input2="x" * 1001), 400),
            ("POST", self.form(input3="y" * 30000), 400),
            ("POST", self.form(subject="join\r\nBcc: victim@example.com"), 400),
        ]
        for method, body, expected in cases:
            with self.subTest(body=body and {k: v[:40] for k, v in body.items()}):
                status, _, text = self.server.request(method, "/email.php", body)
                self.assertEqual(status, expected, text)
                self.assertTrue(text.strip())
        self.assertEqual(RIG.wait_for(self.user, 1, seconds=1), [])

    def test_one_address_signs_up_at_most_three_times_an_hour(self):
        statuses = [self.server.request("POST", "/email.php", self.form())[0] for _ in range(4)]
        self.assertEqual(statuses, [303, 303, 303, 429])
        self.assertEqual(len(RIG.wait_for(self.user, 4, seconds=2)), 3)
        other = self.server.request("POST", "/email.php", self.form(input1="ann@example.org"))
        self.assertEqual(other[0], 303)

    def test_opt_out_link_fetched_shows_a_button_and_sends_nothing(self):
        path = self.opt_out_path()
        status, _, body = self.server.request("GET", path)
        self.assertEqual(status, 200)
        self.assertIn('method="post"', body)
        self.assertIn("Unsubscribe", body)
        status, _, body = self.server.request("HEAD", path)
        self.assertEqual((status, body), (200, ""))
        self.assertEqual(RIG.wait_for(self.user, 1, seconds=1), [])

    def test_one_click_post_sends_the_opt_out_message_and_answers_200(self):
        for body, headers in [("List-Unsubscribe=One-Click",
                               {"Content-Type": "application/x-www-form-urlencoded"}),
                              ("--b\r\nContent-Disposition: form-data; name=\"List-Unsubscribe\""
                               "\r\n\r\nOne-Click\r\n--b--\r\n",
                               {"Content-Type": "multipart/form-data; boundary=b"})]:
            address = "sub%d@example.org" % len(headers["Content-Type"])
            status, answer_headers, text = self.server.request(
                "POST", self.opt_out_path(address, "Zoë's list"), body, headers)
            self.assertEqual(status, 200, text)
            self.assertNotIn("location", answer_headers)
        sent = RIG.wait_for(self.user, 2)
        self.assertEqual(len(sent), 2)
        text = sent[0].decode()
        self.assertIn("Subject: =?UTF-8?B?", text)
        self.assertIn("From: webkit@127.0.0.1.example", text)
        self.assertIn("@@@bye\r\n@@@email@@@=sub", text.replace("\r\n", "\n").replace("\n", "\r\n"))
        token = kit.token(SECRET, "sub%d@example.org" % len("application/x-www-form-urlencoded"),
                          "Zoë's list")
        self.assertIn("@@@k@@@=" + token + "=@@@k@@@", text)

    def test_bad_opt_out_links_answer_404_and_send_nothing(self):
        forged = kit.token("ff" * 32, "sub@example.org", "News")
        cases = {
            "forged token": self.opt_out_path(k=forged),
            "token of another address": self.opt_out_path(k=kit.token(SECRET, "x@example.org",
                                                                      "News")),
            "token of another list": self.opt_out_path(k=kit.token(SECRET, "sub@example.org",
                                                                   "Zoë's list")),
            "no token": self.opt_out_path(k=None),
            "not the list address": self.opt_out_path(t="other@example.net"),
            "unknown filter": self.opt_out_path(title="Nope"),
            "not an opt-out": self.opt_out_path(c="x"),
            "address with CR LF": self.opt_out_path(address="sub@example.org\r\nBcc: v@x.org"),
        }
        for name, path in cases.items():
            for method in ("GET", "POST"):
                with self.subTest(case=name, method=method):
                    status, _, _ = self.server.request(method, path, "List-Unsubscribe=One-Click")
                    self.assertEqual(status, 404)
        self.assertEqual(RIG.wait_for(self.user, 1, seconds=1), [])


class FailingMailTest(unittest.TestCase):
    def test_a_send_failure_answers_503(self):
        user, _ = RIG.claim()
        top, remove = kit.temp_folder()
        folder = os.path.join(top, "kit")
        shutil.copytree(WEB, folder)
        write_config(folder, user + "@example.net")
        server = kit.KitServer(folder, 0, sendmail="fail")
        try:
            form = {"input1": "zoe@example.org", "subject": "join", "to": user + "@example.net",
                    "tw_time": kit.form_stamp(SECRET)}
            self.assertEqual(server.request("POST", "/email.php", form)[0], 503)
            query = urllib.parse.urlencode({"t": user + "@example.net", "f": "a@example.org",
                                            "s": "News", "c": "o",
                                            "k": kit.token(SECRET, "a@example.org", "News")})
            self.assertEqual(server.request("POST", "/o.php?" + query, "")[0], 503)
        finally:
            server.stop()
            remove()


if __name__ == "__main__":
    RIG = kit.Rig(sys.argv[1])
    unittest.main(argv=sys.argv[:1], verbosity=2)
