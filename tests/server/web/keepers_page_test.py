#!/usr/bin/python3
"""The keepers' page in a real browser (headless Chromium through Selenium)
against the real nearbeam-server on SQLite: a keeper signs in, sees a building's
floor counts, withdraws an upload, and the next download serves the value from
before it; a plain account sees no withdraw button and its change is refused;
a building's name that looks like markup shows as its characters.

usage: keepers_page_test.py PATH/TO/nearbeam-server [--screenshot FILE.png]
Every wait is for a condition, within a bound only a broken page reaches.
"""

import hashlib
import os
import subprocess
import sys
import tempfile
import urllib.request

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support import expected_conditions as EC
from selenium.webdriver.support.ui import WebDriverWait

MARKUP_NAME = "<img src=x onerror=alert(1)>"
BOUND = 30  # seconds


def login_token(password):
    digest = hashlib.md5(password.encode()).hexdigest()
    return hashlib.md5(("Nearbeam: " + digest).encode()).hexdigest()


def write(folder, name, text):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(text.encode("latin-1"))


def run(server, *args, stdin=""):
    subprocess.run([server, *args], input=stdin.encode(), check=True,
                   stdout=subprocess.DEVNULL)


class Server:
    def __init__(self, program, data):
        self.process = subprocess.Popen([program, "--data", data, "--port", "0"],
                                        stdout=subprocess.PIPE, text=True)
        self.port = None
        for line in self.process.stdout:  # until it names its port
            if line.startswith("port "):
                self.port = int(line.split()[1])
                break
        assert self.port, "the server did not start"
        self.base = "http://127.0.0.1:%d" % self.port

    def post(self, path, body):
        request = urllib.request.Request(self.base + path, data=body.encode("latin-1"))
        with urllib.request.urlopen(request) as reply:
            return reply.read().decode("latin-1")

    def download(self, bssid):
        with urllib.request.urlopen(
                self.base + "/text/?action=location.downloadText&bssid=" + bssid) as reply:
            return reply.read().decode("latin-1")

    def stop(self):
        self.process.terminate()
        self.process.wait(BOUND)


def browser():
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu",
                     "--disable-dev-shm-usage", "--window-size=900,1250"):
        options.add_argument(argument)
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def sign_in(driver, wait, server, user, password, shown):
    driver.get(server.base + "/")
    wait.until(EC.visibility_of_element_located((By.ID, "signin")))
    driver.find_element(By.ID, "user").send_keys(user)
    driver.find_element(By.ID, "password").send_keys(password)
    driver.find_element(By.CSS_SELECTOR, "#signin button").click()
    wait.until(EC.text_to_be_present_in_element((By.ID, "who"), shown))
    wait.until(EC.presence_of_element_located((By.CSS_SELECTOR, "#uploads tbody tr")))


def floor_rows(driver):
    article = driver.find_element(By.CSS_SELECTOR, "article[data-building='31']")
    return [[td.text for td in tr.find_elements(By.TAG_NAME, "td")]
            for tr in article.find_elements(By.CSS_SELECTOR, "table.floors tbody tr")]


def main():
    program = sys.argv[1]
    screenshot = sys.argv[3] if len(sys.argv) > 3 and sys.argv[2] == "--screenshot" else None
    with tempfile.TemporaryDirectory() as folder:
        records = os.path.join(folder, "records")
        os.mkdir(records)
        write(records, "country.txt", "7\tNorway\t0\r\n")
        write(records, "province.txt", "12\t7\tVestland\t0\r\n")
        write(records, "city.txt", "20\t12\tBergen\t0\r\n")
        write(records, "building.txt", "31\t0\t20\t%s\tMain St 1\t0\r\n"
                                       "32\t0\t20\tLibrary\tMain St 2\t0\r\n" % MARKUP_NAME)
        write(records, "ap.txt", "001122334455\t31\t0\t2\tReading room\t0\r\n"
                                 "00112233445a\t31\t0\t2\tStairs\t0\r\n")
        data = os.path.join(folder, "data")
        run(program, "import", records, "--data", data)
        run(program, "user", "add", "kim", "--keeper", "--data", data, stdin="kim's\n")
        run(program, "user", "add", "ann", "--data", data, stdin="ann's\n")

        server = Server(program, data)
        driver = browser()
        try:
            # ann moves the access point to the third floor, with a scan there.
            reply = server.post("/text/?action=location.uploadText",
                                "- login\nann\n%s\n- aps\n001122334455\t31\t0\t3\tAttic\t6\n"
                                "- scans\n31\t3\tAttic\t2026-12-08T09:00:00Z\t001122334455:-40\n"
                                % login_token("ann's"))
            assert reply.startswith("- nearbeam ok\n"), reply
            assert "\t3\tAttic\n" in server.download("001122334455")

            wait = WebDriverWait(driver, BOUND)
            sign_in(driver, wait, server, "kim", "kim's", "kim (keeper)")
            # The building's name is shown as its characters, never as an element.
            wait.until(EC.presence_of_element_located((By.CSS_SELECTOR,
                                                       "article[data-building='31']")))
            title = driver.find_element(By.CSS_SELECTOR, "article[data-building='31'] h3")
            assert title.text == MARKUP_NAME, title.text
            assert driver.find_elements(By.CSS_SELECTOR, "#buildings img") == []
            assert floor_rows(driver) == [["2", "1", "0", ""], ["3", "1", "1", floor_rows(driver)[1][3]]], \
                floor_rows(driver)
            assert floor_rows(driver)[1][3].endswith("Z")  # the upload's time
            assert driver.find_elements(By.CSS_SELECTOR, "article[data-building='31'] svg rect")
            if screenshot:
                driver.save_screenshot(screenshot)

            # Withdrawn: the next download serves the place from before it.
            driver.find_element(By.CSS_SELECTOR, "tr[data-upload='1'] button.withdraw").click()
            wait.until(EC.presence_of_element_located((By.CSS_SELECTOR,
                                                       "tr[data-upload='1'].withdrawn")))
            wait.until(lambda d: floor_rows(d) == [["2", "2", "0", ""]])
            served = server.download("001122334455")
            assert "\t2\tReading room\n" in served and "Attic" not in served, served

            driver.find_element(By.ID, "signout").click()
            wait.until(EC.visibility_of_element_located((By.ID, "signin")))

            # A plain account looks only: no buttons, and a change it makes anyway
            # (with its own session's token) is refused.
            sign_in(driver, wait, server, "ann", "ann's", "ann")
            assert driver.find_elements(By.CSS_SELECTOR, "#uploads button") == []
            status = driver.execute_async_script(
                "const done = arguments[arguments.length - 1];"
                "fetch('/api/uploads/1/restore', {method: 'POST', headers: {'X-CSRF-Token': csrf}})"
                ".then(r => done(r.status), () => done(0));")
            assert status == 403, status
            # Without the session's token, refused before anything else.
            status = driver.execute_async_script(
                "const done = arguments[arguments.length - 1];"
                "fetch('/api/uploads/1/restore', {method: 'POST'})"
                ".then(r => done(r.status), () => done(0));")
            assert status == 403, status
            assert "Attic" not in server.download("001122334455")
            # No alert was raised by the markup-like name.
            assert not EC.alert_is_present()(driver)
        finally:
            driver.quit()
            server.stop()
    print("keepers' page: 1 passed, 0 failed")


if __name__ == "__main__":
    main()
