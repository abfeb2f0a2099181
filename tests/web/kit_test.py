#!/usr/bin/python3
"""The web kit's pages under PHP's own server, their mail() going to the test SMTP server: what
they send, what they refuse and the status of each answer; the confirmation page, the form's
defences against scripts, and opt-outs that are never refused.

  kit_test.py RIG_DIR
"""
import os
import shutil
import sys
import time
import unittest
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import kit_harness as kit  # noqa: E402

RIG = None
SECRET = "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff"
WEB = os.path.join(kit.TOP, "web")
CONFIG = """<?php
return [
  'secret' => '%s',
  'list' => '%s',
  'sender' => 'webkit@127.0.0.1.example',
  'filters' => [
    ['title' => 'News', 'optout' => '', 'subjects' => ['join'], 'confirm' => true],
    ['title' => 'Zoë\\'s list', 'optout' => 'bye', 'subjects' => ['subscribe', 'hello']],
    ['title' => 'Open', 'optout' => '', 'subjects' => ['enter'], 'confirm' => false],
  ],
  'redirects' => ['https://example.com/thanks.html'],
  'pass_ip' => %s,
  'limits' => ['address_per_hour' => 3, 'client_per_hour' => 20, 'total_per_hour' => 500],
];
"""


class Kit(unittest.TestCase):
    pass_ip = "true"
    sendmail = "rig"

    def setUp(self):
        self.user, _ = RIG.claim()
        self.list = self.user + "@example.net"
        self.top, self.remove = kit.temp_folder()
        self.folder = os.path.join(self.top, "kit")
        shutil.copytree(WEB, self.folder)
        with open(os.path.join(self.folder, "config.php"), "w") as f:
            f.write(CONFIG % (SECRET, self.list, self.pass_ip))
        self.server = kit.KitServer(self.folder, RIG.port("SMTP_PLAIN_PORT"), self.sendmail)

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

    def post_form(self, **changes):
        return self.server.request("POST", "/email.php", self.form(**changes))

    def link(self, page, address="sub@example.org", title="News", **changes):
        """The opt-out (o.php) or confirmation (c.php) link of the address, with changes."""
        query = {"t": self.list, "f": address, "s": title}
        if page == "o.php":
            query.update(c="o", k=kit.token(SECRET, address, title))
        else:
            query.update(k=kit.confirm_token(SECRET, address, title))
        query.update(changes)
        query = {k: v for k, v in query.items() if v is not None}
        return "/%s?%s" % (page, urllib.parse.urlencode(query))

    def sent(self, count, seconds=10):
        return [m.decode() for m in RIG.wait_for(self.user, count, seconds)]

    def assert_nothing_sent(self):
        self.assertEqual(RIG.wait_for(self.user, 1, seconds=1), [])


class SignUp(Kit):
    def test_sign_up_mails_the_markers_to_the_list_and_redirects(self):
        status, headers, _ = self.post_form()
        self.assertEqual(status, 303)
        self.assertEqual(headers.get("location"), "https://example.com/thanks.html")
        sent = self.sent(1)
        self.assertEqual(len(sent), 1)
        for text in ("To: " + self.list, "Subject: join", "Reply-To: zoe@example.org",
                     "@@@input2@@@=Zoë Ünicode=@@@input2@@@", "@@@input3@@@=Straße 1=@@@input3@@@",
                     "@@@input1@@@=zoe@example.org=@@@input1@@@", "@@@kit@@@=2=@@@kit@@@",
                     "@@@ip@@@=127.0.0.1=@@@ip@@@"):
            self.assertIn(text, sent[0])
        self.assertNotIn("Button1", sent[0])
        self.assertNotIn("Auto-Submitted", sent[0])

    def test_without_an_allowed_page_the_answer_says_what_happens(self):
        for subject, answer in (("hello", "check your mailbox"), ("enter", "Thank you for")):
            status, headers, body = self.post_form(
                subject=subject, input1=subject + "@example.org", redirect="https://evil.example/x")
            self.assertEqual(status, 200)
            self.assertNotIn("location", headers)
            self.assertIn(answer, body)
        self.assertIn("Subject: hello", self.sent(2)[0])

    def test_refused_sign_ups_send_nothing(self):
        forged = "%d.%s" % (int(time.time()) - 10, "A" * 22)
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
            # Scripts: no signed time, a forged one, too quick, a day old, the honeypot filled.
            ("POST", self.form(tw_time=None), 400),
            ("POST", self.form(tw_time=forged), 400),
            ("POST", self.form(tw_time=kit.form_stamp(SECRET, 1)), 400),
            ("POST", self.form(tw_time=kit.form_stamp(SECRET, 86500)), 400),
            ("POST", self.form(website="http://spam.example"), 400),
        ]
        for method, body, expected in cases:
            with self.subTest(body=body and {k: v[:40] for k, v in body.items()}):
                status, _, text = self.server.request(method, "/email.php", body)
                self.assertEqual(status, expected, text)
                self.assertTrue(text.strip())
        self.assert_nothing_sent()

    def test_the_form_script_signs_a_time_the_page_accepts(self):
        status, headers, body = self.server.request("GET", "/email.php?stamp=1")
        self.assertEqual(status, 200)
        self.assertIn("javascript", headers["content-type"])
        stamp = body.split('value="')[1].split('"')[0]
        # Too quick: nobody fills a form within three seconds.
        self.assertEqual(self.post_form(tw_time=stamp)[0], 400)

    def test_one_address_signs_up_at_most_three_times_an_hour(self):
        statuses = [self.post_form()[0] for _ in range(4)]
        self.assertEqual(statuses, [303, 303, 303, 429])
        self.assertEqual(len(RIG.wait_for(self.user, 4, seconds=2)), 3)
        self.assertEqual(self.post_form(input1="ann@example.org")[0], 303)


class SignUpWithoutIp(Kit):
    pass_ip = "false"

    def test_the_config_switch_keeps_the_ip_out(self):
        self.assertEqual(self.post_form()[0], 303)
        self.assertNotIn("@@@ip@@@", self.sent(1)[0])


class Links(Kit):
    def test_fetched_links_show_a_button_and_send_nothing(self):
        for page, button in (("o.php", "Unsubscribe"), ("c.php", ">Confirm</button>")):
            path = self.link(page)
            status, _, body = self.server.request("GET", path)
            self.assertEqual(status, 200)
            self.assertIn('method="post"', body)
            self.assertIn(button, body)
            self.assertEqual(self.server.request("HEAD", path)[:3:2], (200, ""))
        self.assert_nothing_sent()

    def test_one_click_post_sends_the_opt_out_message_and_answers_200(self):
        for body, headers in [("List-Unsubscribe=One-Click",
                               {"Content-Type": "application/x-www-form-urlencoded"}),
                              ("--b\r\nContent-Disposition: form-data; name=\"List-Unsubscribe\""
                               "\r\n\r\nOne-Click\r\n--b--\r\n",
                               {"Content-Type": "multipart/form-data; boundary=b"})]:
            address = "sub%d@example.org" % len(headers["Content-Type"])
            status, answer_headers, text = self.server.request(
                "POST", self.link("o.php", address, "Zoë's list"), body, headers)
            self.assertEqual(status, 200, text)
            self.assertNotIn("location", answer_headers)
        sent = self.sent(2)
        self.assertEqual(len(sent), 2)
        text = sent[0]
        self.assertIn("Subject: =?UTF-8?B?", text)
        self.assertIn("From: webkit@127.0.0.1.example", text)
        self.assertIn("@@@bye\r\n@@@email@@@=sub", text.replace("\r\n", "\n").replace("\n", "\r\n"))
        token = kit.token(SECRET, "sub%d@example.org" % len("application/x-www-form-urlencoded"),
                          "Zoë's list")
        self.assertIn("@@@k@@@=" + token + "=@@@k@@@", text)

    def test_the_confirm_button_mails_the_confirmation_once(self):
        for _ in range(2):
            self.assertEqual(self.server.request("POST", self.link("c.php"), "confirm=1")[0], 200)
        sent = self.sent(2, seconds=2)
        self.assertEqual(len(sent), 1)
        self.assertIn("Subject: News", sent[0])
        self.assertIn("@@@confirm@@@=sub@example.org=@@@confirm@@@", sent[0])
        self.assertIn("@@@k@@@=" + kit.confirm_token(SECRET, "sub@example.org", "News"), sent[0])

    def test_bad_links_answer_404_and_send_nothing(self):
        confirm = kit.confirm_token(SECRET, "sub@example.org", "News")
        cases = {
            "forged token": self.link("o.php", k=kit.token("ff" * 32, "sub@example.org", "News")),
            "token of another address": self.link("o.php",
                                                  k=kit.token(SECRET, "x@example.org", "News")),
            "token of another list": self.link("o.php", k=kit.token(SECRET, "sub@example.org",
                                                                    "Zoë's list")),
            "no token": self.link("o.php", k=None),
            "not the list address": self.link("o.php", t="other@example.net"),
            "unknown filter": self.link("o.php", title="Nope"),
            "not an opt-out": self.link("o.php", c="x"),
            "address with CR LF": self.link("o.php", address="sub@example.org\r\nBcc: v@x.org"),
            "forged confirmation": self.link(
                "c.php", k=kit.confirm_token("ff" * 32, "sub@example.org", "News")),
            "truncated confirmation": self.link("c.php", k=confirm[:-1]),
            "another filter's confirmation": self.link(
                "c.php", k=kit.confirm_token(SECRET, "sub@example.org", "Open")),
            "the opt-out token as confirmation": self.link(
                "c.php", k=kit.token(SECRET, "sub@example.org", "News")),
        }
        for name, path in cases.items():
            body = "confirm=1" if path.startswith("/c.php") else "List-Unsubscribe=One-Click"
            for method in ("GET", "POST"):
                with self.subTest(case=name, method=method):
                    self.assertEqual(self.server.request(method, path, body)[0], 404)
        self.assert_nothing_sent()

    def test_fifty_one_click_opt_outs_from_one_client_all_go_out_and_a_repeat_sends_nothing(self):
        paths = [self.link("o.php", "sub%02d@example.org" % i) for i in range(50)]
        statuses = [self.server.request("POST", p, "List-Unsubscribe=One-Click")[0] for p in paths]
        self.assertEqual(statuses, [200] * 50)
        self.assertEqual(self.server.request("POST", paths[0], "List-Unsubscribe=One-Click")[0],
                         200)
        self.assertEqual(len(self.sent(51, seconds=15)), 50)

    def test_a_kit_that_cannot_keep_its_counts_still_sends_opt_outs_but_no_sign_ups(self):
        os.mkdir(os.path.join(self.folder, "ratelimit.php"))  # unopenable as a file
        self.assertEqual(self.server.request("POST", self.link("o.php"), "")[0], 200)
        self.assertEqual(self.server.request("POST", self.link("c.php"), "")[0], 200)
        self.assertEqual(self.post_form()[0], 503)
        self.assertEqual(len(self.sent(3, seconds=3)), 2)


class FailingMail(Kit):
    sendmail = "fail"

    def test_a_send_failure_answers_503(self):
        self.assertEqual(self.post_form()[0], 503)
        self.assertEqual(self.server.request("POST", self.link("o.php", "a@example.org"), "")[0],
                         503)


if __name__ == "__main__":
    RIG = kit.Rig(sys.argv[1])
    unittest.main(argv=sys.argv[:1], verbosity=2)
