#!/usr/bin/python3
"""The web kit's confirmed opt-in under PHP's own server, mail() going to the test SMTP server:
the confirmation page, the form's defences against scripts, and opt-outs that are never refused.

  optin_kit_test.py RIG_DIR
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
CONFIG = """<?php
return [
  'secret' => '%s',
  'list' => '%s',
  'sender' => 'webkit@127.0.0.1.example',
  'filters' => [
    ['title' => 'News', 'optout' => '', 'subjects' => ['join'], 'confirm' => true],
    ['title' => 'Open', 'optout' => '', 'subjects' => ['enter'], 'confirm' => false],
  ],
  'redirects' => [],
  'pass_ip' => %s,
  'limits' => ['address_per_hour' => 3, 'client_per_hour' => 20, 'total_per_hour' => 500],
];
"""


class OptInKit(unittest.TestCase):
    pass_ip = "true"

    def setUp(self):
        self.user, _ = RIG.claim()
        self.list = self.user + "@example.net"
        self.top, self.remove = kit.temp_folder()
        self.folder = os.path.join(self.top, "kit")
        shutil.copytree(WEB, self.folder)
        with open(os.path.join(self.folder, "config.php"), "w") as f:
            f.write(CONFIG % (SECRET, self.list, self.pass_ip))
        self.server = kit.KitServer(self.folder, RIG.port("SMTP_PLAIN_PORT"))

    def tearDown(self):
        self.server.stop()
        self.remove()

    def form(self, **changes):
        fields = {"input1": "zoe@example.org", "subject": "join", "to": self.list,
                  "tw_time": kit.form_stamp(SECRET), "website": ""}
        fields.update(changes)
        return {k: v for k, v in fields.items() if v is not None}

    def link(self, page, address="sub@example.org", title="News", token=None, **changes):
        query = {"t": self.list, "f": address, "s": title,
                 "k": token or kit.confirm_token(SECRET, address, title)}
        if page == "o.php":
            query.update(c="o", k=token or kit.token(SECRET, address, title))
        query.update(changes)
        return "/%s?%s" % (page, urllib.parse.urlencode(query))

    def sent(self, count, seconds=10):
        return [m.decode() for m in RIG.wait_for(self.user, count, seconds)]


class SignUpForm(OptInKit):
    def test_the_form_script_signs_a_time_the_page_accepts(self):
        status, headers, body = self.server.request("GET", "/email.php?stamp=1")
        self.assertEqual(status, 200)
        self.assertIn("javascript", headers["content-type"])
        stamp = body.split('value="')[1].split('"')[0]
        self.assertEqual(self.server.request("POST", "/email.php", self.form(tw_time=stamp))[0],
                         400)  # too quick: nobody fills a form within three seconds

    def test_scripted_posts_are_refused_and_send_nothing(self):
        forged = "%s.%s" % (stamp_time(10), "A" * 22)
        cases = {"no time": self.form(tw_time=None), "forged time": self.form(tw_time=forged),
                 "too quick": self.form(tw_time=kit.form_stamp(SECRET, 1)),
                 "older than a day": self.form(tw_time=kit.form_stamp(SECRET, 86500)),
                 "honeypot filled": self.form(website="http://spam.example")}
        for name, form in cases.items():
            with self.subTest(case=name):
                self.assertEqual(self.server.request("POST", "/email.php", form)[0], 400)
        self.assertEqual(RIG.wait_for(self.user, 1, seconds=1), [])

    def test_the_answer_says_what_happens_and_the_message_carries_kit_and_ip(self):
        for subject, answer in (("join", "check your mailbox"), ("enter", "Thank you for")):
            status, _, body = self.server.request(
                "POST", "/email.php", self.form(subject=subject, input1=subject + "@example.org"))
            self.assertEqual(status, 200)
            self.assertIn(answer, body)
        for text in self.sent(2):
            self.assertIn("@@@kit@@@=2=@@@kit@@@", text)
            self.assertIn("@@@ip@@@=127.0.0.1=@@@ip@@@", text)


class SignUpWithoutIp(OptInKit):
    pass_ip = "false"

    def test_the_config_switch_keeps_the_ip_out(self):
        self.assertEqual(self.server.request("POST", "/email.php", self.form())[0], 200)
        self.assertNotIn("@@@ip@@@", self.sent(1)[0])


class ConfirmationPage(OptInKit):
    def test_fetching_shows_a_button_and_the_button_mails_the_confirmation_once(self):
        path = self.link("c.php")
        status, _, body = self.server.request("GET", path)
        self.assertEqual(status, 200)
        self.assertIn(">Confirm</button>", body)
        self.assertEqual(self.server.request("HEAD", path)[:1], (200,))
        self.assertEqual(RIG.wait_for(self.user, 1, seconds=1), [])
        for _ in range(2):
            self.assertEqual(self.server.request("POST", path, "confirm=1")[0], 200)
        sent = self.sent(2, seconds=2)
        self.assertEqual(len(sent), 1)
        self.assertIn("Subject: News", sent[0])
        self.assertIn("@@@confirm@@@=sub@example.org=@@@confirm@@@", sent[0])
        self.assertIn("@@@k@@@=" + kit.confirm_token(SECRET, "sub@example.org", "News"), sent[0])

    def test_forged_truncated_and_cross_filter_tokens_answer_404(self):
        good = kit.confirm_token(SECRET, "sub@example.org", "News")
        cases = {"forged": kit.confirm_token("ff" * 32, "sub@example.org", "News"),
                 "truncated": good[:-1],
                 "another filter's": kit.confirm_token(SECRET, "sub@example.org", "Open"),
                 "the opt-out token": kit.token(SECRET, "sub@example.org", "News")}
        for name, token in cases.items():
            for method in ("GET", "POST"):
                with self.subTest(case=name, method=method):
                    self.assertEqual(self.server.request(method, self.link("c.php", token=token),
                                                         "confirm=1")[0], 404)
        self.assertEqual(RIG.wait_for(self.user, 1, seconds=1), [])


class OptOutsNeverRefused(OptInKit):
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
        self.assertEqual(self.server.request("POST", "/email.php", self.form())[0], 503)
        self.assertEqual(len(self.sent(3, seconds=3)), 2)


def stamp_time(seconds_ago):
    import time
    return int(time.time()) - seconds_ago


if __name__ == "__main__":
    RIG = kit.Rig(sys.argv[1])
    unittest.main(argv=sys.argv[:1], verbosity=2)
