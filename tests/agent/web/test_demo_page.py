"""The demo page in one headless Chromium, served by the real agent with --demo
in front of the real library and zpos-host; each test saves a screenshot."""
import os
from pathlib import Path

import pytest
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

from conftest import DECLINED_TRACK, TRACK, sale

SCREENSHOTS = Path(os.environ.get("ZPOS_SCREENSHOTS", "screenshots"))
WAIT_SECONDS = 30


@pytest.fixture(scope="session")
def browser():
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--window-size=900,1300"):
        options.add_argument(argument)
    driver = webdriver.Chrome(service=Service(executable_path="/usr/bin/chromedriver"), options=options)
    driver.set_script_timeout(15)
    SCREENSHOTS.mkdir(parents=True, exist_ok=True)
    driver.screenshot = lambda name: driver.save_screenshot(str(SCREENSHOTS / f"{name}.png"))
    yield driver
    driver.quit()


@pytest.fixture
def demo(start_host, start_agent):
    """start(*host_options): an agent with --demo in front of a fresh zpos-host."""
    return lambda *host_options: start_agent(start_host(*host_options), "--demo")


def text(browser, element_id):
    return browser.find_element(By.ID, element_id).text


def wait_for(browser, condition, seconds=WAIT_SECONDS):
    return WebDriverWait(browser, seconds, poll_frequency=0.1).until(lambda _: condition())


def pay(browser, agent, track, amount="1004"):
    browser.get(agent.url + "/demo/")
    amount_field = browser.find_element(By.ID, "amount")
    amount_field.clear()
    amount_field.send_keys(amount)
    browser.find_element(By.ID, "track2").send_keys(track)
    browser.find_element(By.ID, "pay").click()


def assert_card_gone(browser, track):
    """Neither the field nor any text or attribute of the page still holds the card number."""
    page = browser.execute_script(
        "return document.documentElement.outerHTML + [...document.querySelectorAll('input')].map(i => i.value).join('|')")
    assert track.split("=")[0] not in page


def test_decline_shows_the_hosts_message(browser, demo):
    agent = demo()
    pay(browser, agent, DECLINED_TRACK)
    wait_for(browser, lambda: text(browser, "state") == "declined")
    assert text(browser, "message") == "사용불가카드,"  # the record's two message lines, the second empty
    assert not browser.find_element(By.ID, "receipt").is_displayed()
    assert text(browser, "auth-no") == ""
    browser.screenshot("decline")


def test_approval_after_a_nak_shows_progress_then_the_receipt(browser, demo):
    # The reply comes 12 s late: the library sends its first NAK at 10 s.
    agent = demo("--reply-delay", "12000")
    pay(browser, agent, TRACK)
    assert_card_gone(browser, TRACK)
    wait_for(browser, lambda: "NAK 1 of 3" in text(browser, "progress"), seconds=20)
    assert text(browser, "state") == "pending"
    browser.screenshot("progress")
    wait_for(browser, lambda: text(browser, "state") == "completed")
    assert (text(browser, "auth-no"), text(browser, "issuer"), text(browser, "message")) == (
        "12345678", "국민카드", "정상승인")
    assert text(browser, "card").startswith("941012") and text(browser, "card").endswith("9012")
    assert_card_gone(browser, TRACK)
    browser.screenshot("approval")


def test_in_doubt_inbox_from_an_agent_killed_after_an_approval(browser, start_host, start_agent):
    host = start_host()
    killed = start_agent(host, env={"ZPOS_AGENT_KILL_AT": "approved"})
    sale_id = killed.create(sale("inbox-1"))
    killed.proc.wait(timeout=WAIT_SECONDS)
    agent = start_agent(host, "--demo", state_dir=killed.state_dir)

    browser.get(agent.url + "/demo/")
    rows = wait_for(browser, lambda: browser.find_elements(By.CSS_SELECTOR, "#in-doubt li"))
    assert [row.get_attribute("data-id") for row in rows] == [sale_id]
    assert "approved, never acknowledged" in rows[0].text
    assert "12345678" in rows[0].text and "1,004원" in rows[0].text
    browser.screenshot("in-doubt")

    rows[0].find_element(By.CSS_SELECTOR, ".note").send_keys("헬프데스크 확인")
    rows[0].find_element(By.CSS_SELECTOR, "button[data-resolution=confirmed_with_help_desk]").click()
    wait_for(browser, lambda: not browser.find_elements(By.CSS_SELECTOR, "#in-doubt li"))
    transaction = agent.get(f"/v1/transactions/{sale_id}").json()
    assert (transaction["state"], transaction["resolution"]["resolution"], transaction["resolution"]["note"]) == (
        "resolved", "confirmed_with_help_desk", "헬프데스크 확인")
