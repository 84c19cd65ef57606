"""Report pages in a real browser: headless Chromium loads the page of each
example and of a batch, and what it shows is checked against the document
itself (layers, themes, swatch colours, legend rows)."""

import os
import pathlib
import re
import shutil
import subprocess
import tempfile
import xml.etree.ElementTree as ET

import pytest
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

ROOT = pathlib.Path(__file__).resolve().parents[2]
BREVAN = os.environ.get("BREVAN", str(ROOT / "build" / "brevan"))
EXAMPLES = sorted((ROOT / "examples").glob("*.bws"))


@pytest.fixture(scope="module")
def browser():
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    # This machine's network is closed: no background connections, no sync.
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--window-size=1100,1400"):
        options.add_argument(flag)
    profile = tempfile.mkdtemp(prefix="brevan-chromium-")
    options.add_argument("--user-data-dir=" + profile)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    yield driver
    driver.quit()
    shutil.rmtree(profile, ignore_errors=True)


def brevan(*arguments, expect=0):
    run = subprocess.run([BREVAN, *map(str, arguments)], capture_output=True, text=True)
    assert run.returncode == expect, run.stderr
    return run


def load(browser, page):
    browser.get(page.as_uri())
    # Reading the log empties it: what is left after loading is this page's.
    return [entry for entry in browser.get_log("browser") if entry["level"] in ("SEVERE", "WARNING")]


# The word a page gives each kind of theme element.
KINDS = {"RangeTheme": "range", "ValueTheme": "value", "BarTheme": "bar", "PieTheme": "pie",
         "GraduatedTheme": "graduated", "SymbolTheme": "single-symbol"}


def css_rgb(text):
    """'rgb(1,2,3)' or 'rgb(1, 2, 3)' as a tuple, None for anything else."""
    match = re.fullmatch(r"rgb\((\d+),\s*(\d+),\s*(\d+)\)", text or "")
    return tuple(map(int, match.groups())) if match else None


def item_colours(theme):
    """The colours the document gives a theme's legend rows, in order: each
    row's brush, else its pen, else its symbol."""
    items = theme.find({"RangeTheme": "RangeItems", "ValueTheme": "ValueItems", "BarTheme": "BarItems",
                        "PieTheme": "PieItems"}.get(theme.tag, "-"))
    colours = []
    for item in [] if items is None else items:
        styles = item.find("Styles") if item.find("Styles") is not None else item
        for style, attribute in (("BrushStyle", "foreground"), ("PenStyle", "lineColor"), ("SymbolStyle", "symbolColor")):
            drawing = styles.find(style + "/Graphics/Paint/Drawing")
            if drawing is not None:
                colours.append(drawing.get(attribute))
                break
    return colours


@pytest.mark.parametrize("example", EXAMPLES, ids=lambda path: path.stem)
def test_each_example_shows_its_layers_themes_and_colours(browser, tmp_path, example):
    page = tmp_path / (example.stem + ".html")
    brevan("--html", page, "-o", tmp_path / "out.xml", example)
    assert load(browser, page) == []
    document = ET.parse(tmp_path / "out.xml").getroot()

    layers = document.findall("MapWindows/MapWindow/Layers/Layer")
    shown = browser.find_elements(By.CSS_SELECTOR, "li.layer")
    assert [layer.get_attribute("data-layer") for layer in shown] == [layer.get("name") for layer in layers]

    for layer, element in zip(layers, shown):
        themes = layer.findall("Themes/*")
        sections = element.find_elements(By.CSS_SELECTOR, "section.theme")
        assert [section.get_attribute("data-kind") for section in sections] == [KINDS[theme.tag] for theme in themes]
        for label in layer.findall("Labels/LabelExpression"):
            assert label.text in element.text
        for theme, section in zip(themes, sections):
            if theme.tag in ("BarTheme", "PieTheme"):
                marks = section.find_elements(By.CSS_SELECTOR, ".rows .chart svg .part")
            else:  # each drawn row's first mark
                drawn = [svg.find_elements(By.CSS_SELECTOR, ".fill, .pen, .symbol")
                         for svg in section.find_elements(By.CSS_SELECTOR, ".rows .row svg")]
                marks = [found[0] for found in drawn if found] if item_colours(theme) else []
            assert [css_rgb(mark.get_attribute("data-color")) for mark in marks] == \
                [css_rgb(colour) for colour in item_colours(theme)]
            for mark in marks:  # a solid brush is drawn in its colour
                if (mark.get_attribute("fill") or "").startswith("rgb"):
                    computed = browser.execute_script("return getComputedStyle(arguments[0]).fill", mark)
                    assert css_rgb(computed) == css_rgb(mark.get_attribute("data-color"))


def test_the_example_workspace_shows_four_swatches_with_their_rows(browser, tmp_path):
    page = tmp_path / "r.html"
    brevan("--html", page, ROOT / "examples" / "workspace.bws")
    assert load(browser, page) == []
    rows = browser.find_elements(By.CSS_SELECTOR, "section.theme[data-kind=range] .rows .row")
    assert [row.find_element(By.CSS_SELECTOR, ".row-text").text for row in rows] == [
        "Under 10,000", "10,000 to 100,000", "Over 100,000", "No data"]
    fills = [browser.execute_script("return getComputedStyle(arguments[0]).fill",
                                    row.find_element(By.CSS_SELECTOR, "svg .fill")) for row in rows]
    assert [css_rgb(fill) for fill in fills] == [(255, 255, 128), (255, 128, 0), (192, 0, 0), (192, 192, 192)]
    # Without colour the swatch still says what it is.
    labels = [row.find_element(By.CSS_SELECTOR, "svg").get_attribute("aria-label") for row in rows]
    assert labels[0] == "brush 2 in rgb(255,255,128): Under 10,000"
    screenshot = os.environ.get("BREVAN_SCREENSHOT")
    if screenshot:
        browser.save_screenshot(screenshot)


def test_a_failed_workspace_shows_its_error_and_what_was_made(browser, tmp_path):
    broken = tmp_path / "broken.bws"
    broken.write_text('Open Table "a.tbl" As A\nMap From A\nNote "x"\nTheme 1 With X Ranges 0 : 1 Brush (2, 255)\n'
                      "Set Legend Layer 9 Title \"T\"\n")
    page = tmp_path / "broken.html"
    brevan("--html", page, broken, expect=1)
    assert load(browser, page) == []
    assert browser.find_element(By.CSS_SELECTOR, ".status").text == "Failed"
    error = browser.find_element(By.CSS_SELECTOR, "li.error")
    assert "line 5" in error.text
    assert "Note" in browser.find_element(By.CSS_SELECTOR, "table.skipped").get_attribute("textContent")
    assert browser.find_elements(By.CSS_SELECTOR, "section.theme[data-kind=range]")


def test_a_batch_index_links_every_page_and_marks_failures(browser, tmp_path):
    broken = tmp_path / "broken.bws"
    broken.write_text("Map t\n")
    inputs = EXAMPLES[:3] + [broken]
    brevan("--out-dir", tmp_path / "out", "--html", tmp_path / "out" / "index.html", *inputs, expect=1)
    assert load(browser, tmp_path / "out" / "index.html") == []
    links = [a.get_attribute("href") for a in browser.find_elements(By.CSS_SELECTOR, "table.index a")]
    assert [pathlib.Path(link).name for link in links] == [path.stem + ".html" for path in inputs]
    for link in links:
        assert pathlib.Path(link.removeprefix("file://")).is_file()
    statuses = [row.get_attribute("class") for row in browser.find_elements(By.CSS_SELECTOR, "table.index tbody tr")]
    assert statuses == ["ok", "ok", "ok", "failed"]
