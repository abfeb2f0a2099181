#!/usr/bin/python3
"""The whole web path as an operator and a visitor meet it: tidewell-cli writes the kit and the
sign-up form, PHP's own server serves them, headless Chromium signs up, tidewell-cli mails the
confirmation, Chromium follows its link, tidewell-cli then makes the subscriber and sends the
newsletter over the test mail servers, and the newsletter's List-Unsubscribe addresses
(one-click and mailto:) take the subscriber off the list.

  browser_test.py RIG_DIR TIDEWELL_CLI
"""
import email
import email.policy
import os
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import kit_harness as kit  # noqa: E402

RIG = None
CLI = None


def browser():
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    options = webdriver.ChromeOptions()
    for option in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage",
                   "--disable-background-networking", "--disable-component-update",
                   "--disable-sync", "--no-first-run", "--disable-gpu"):
        options.add_argument(option)
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.set_page_load_timeout(30)
    return driver


def wait(driver):
    """A wait that reads the page again when it is replaced under it: after a click, the
    heading first found may belong to the page being left."""
    from selenium.common.exceptions import NoSuchElementException, StaleElementReferenceException
    from selenium.webdriver.support.ui import WebDriverWait
    return WebDriverWait(driver, 15,
                         ignored_exceptions=(NoSuchElementException, StaleElementReferenceException))


class BrowserLoop(unittest.TestCase):
    def setUp(self):
        self.top, self.remove = kit.temp_folder()
        self.kit_dir = os.path.join(self.top, "kit")
        self.list_user, list_pw = RIG.claim()
        self.reader_user, _ = RIG.claim()
        self.list = self.list_user + "@example.net"
        self.reader = self.reader_user + "@example.net"
        self.port = kit.free_port()
        self.kit_url = "http://127.0.0.1:%d/" % self.port
        self.cli("new-profile", "--title", "Tide", "--email", self.list, "--reply", self.list,
                 "--pop3", "127.0.0.1", "--smtp", "127.0.0.1", "--account", self.list_user,
                 "--password", list_pw)
        self.cli("new-filter")
        self.cli("set-rules", "Filter_1", "Subject|Has|join")
        self.cli("new-newsletter")
        letter = os.path.join(self.top, "welcome.html")
        with open(letter, "w") as f:
            f.write("<html><body><p>Hello ~name~ from ~city~.</p>"
                    "<p><a href=\"~optouturl~\">Unsubscribe</a></p></body></html>")
        for node, key, value in (
                ("2", "PopPort", RIG.env["POP_PLAIN_PORT"]),
                ("2", "SMTPPort", RIG.env["SMTP_PLAIN_PORT"]), ("2", "server_timeout", "10"),
                ("4", "webkit", self.kit_url),
                ("5", "fields", "email:Email Address:on,name:Name:on,city:City:on,"),
                ("5", "displayname", "Tide List"),
                ("5", "subject", "join"),  # the opt-in code subscribers added by hand need
                ("5", "redirect", self.kit_url + "thanks.html"), ("6", "location", letter),
                ("6", "subject", "Welcome ~name~"), ("6", "days", "0"), ("6", "rule", "Filter_1")):
            self.cli("set", node, key, value)
        self.cli("web-kit", "--out", self.kit_dir)
        with open(os.path.join(self.kit_dir, "thanks.html"), "w") as f:
            f.write("<html><body><h1>Thanks for joining</h1></body></html>")
        with open(os.path.join(self.kit_dir, "signup.html"), "w") as f:
            f.write("<html><head><meta charset=\"utf-8\"></head><body>%s</body></html>"
                    % self.cli("optin-html", "Filter_1"))
        self.server = kit.KitServer(self.kit_dir, RIG.port("SMTP_PLAIN_PORT"), port=self.port)

    def tearDown(self):
        self.server.stop()
        self.remove()

    def cli(self, *args, status=0):
        done = subprocess.run([CLI, "--folder", self.top, "--ca-file", RIG.env["CA_FILE"]] +
                              list(args), capture_output=True, text=True, timeout=60)
        self.assertEqual(done.returncode, status, "%s: %s" % (args, done.stderr))
        return done.stdout

    def subscribers(self):
        lines = self.cli("subscribers").strip().split("\n")[1:]
        return [line.split(",") for line in lines if line]

    def active(self, address):
        return [row[3] for row in self.subscribers() if row[0] == address]

    def sign_up(self, driver, name, city, address):
        driver.get(self.kit_url + "signup.html")
        driver.find_element("name", "input2").send_keys(name)
        driver.find_element("name", "input3").send_keys(city)
        driver.find_element("name", "input1").send_keys(address)
        wait(driver).until(lambda d: d.find_element("name", "tw_time").get_attribute("value"))
        time.sleep(3.5)  # a person takes longer than a script to fill the form in
        driver.find_element("name", "Button1").click()
        wait(driver).until(lambda d: "thanks.html" in d.current_url)
        return wait(driver).until(lambda d: d.find_element("tag name", "h1").text)

    def confirm_in_browser(self, driver):
        """Follows the confirmation mail's link: the page shows a button, the button confirms."""
        received = RIG.wait_for(self.reader_user, 1)
        self.assertEqual(len(received), 1)
        mail = email.message_from_bytes(received[0], policy=email.policy.default)
        self.assertIn("Please confirm", str(mail["Subject"]))
        link = [w for w in mail.get_body(("plain",)).get_content().split()
                if w.startswith(self.kit_url + "c.php?")][0]
        driver.get(link)
        self.assertEqual(driver.find_element("tag name", "h1").text, "Confirm your subscription")
        driver.find_element("tag name", "button").click()
        wait(driver).until(
            lambda d: d.find_element("tag name", "h1").text == "Subscription confirmed")

    def test_sign_up_in_a_browser_then_leave_with_one_click(self):
        self.assertIsNone(kit.lint(self.kit_dir))
        driver = browser()
        try:
            heading = self.sign_up(driver, "Zoë Ünicode", "Ærøskøbing", self.reader)
            self.assertEqual(heading, "Thanks for joining")
            RIG.wait_for(self.list_user, 1)
            self.cli("check")
            self.assertEqual(self.subscribers(), [])  # nobody is mailed on a stranger's word
            self.assertIn(self.reader, self.cli("pending"))
            self.confirm_in_browser(driver)
            RIG.wait_for(self.list_user, 2)
            self.cli("check")
            rows = self.subscribers()
            self.assertEqual([(r[0], r[1], r[3]) for r in rows], [(self.reader, "Zoë Ünicode", "true")])
            with open(os.path.join(self.top, "Tide.txt"), encoding="utf-8") as f:
                self.assertIn("Ærøskøbing", f.read())
        finally:
            driver.quit()

        # The headers and bodies are the engine's (web_kit_test.cpp); here the kit takes its link.
        received = RIG.wait_for(self.reader_user, 2)
        self.assertEqual(len(received), 2)  # the confirmation, then the welcome
        letter = email.message_from_bytes(received[1], policy=email.policy.default)
        self.assertEqual(letter["Subject"], "Welcome Zoë Ünicode")
        one_click = str(letter["List-Unsubscribe"]).split(">")[0][1:]
        self.assertTrue(one_click.startswith(self.kit_url + "o.php?"), one_click)
        path = one_click[len(self.kit_url) - 1:]
        before = len(RIG.messages(self.list_user))
        status, _, body = self.server.request(
            "POST", path, "List-Unsubscribe=One-Click",
            {"Content-Type": "application/x-www-form-urlencoded"})
        self.assertEqual(status, 200, body)
        RIG.wait_for(self.list_user, before + 1)
        self.cli("check")
        self.assertEqual(self.active(self.reader), ["false"])


if __name__ == "__main__":
    RIG = kit.Rig(sys.argv[1])
    CLI = sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)
