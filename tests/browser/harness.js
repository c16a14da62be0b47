'use strict';
// Shared browser plumbing: one Chromium per test file, a fresh context per page, nothing sent
// over the network. The form's action is answered locally and recorded, so "the form was
// sent" means a request to the action URL was seen; alerts are recorded and dismissed.

const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { pathToFileURL } = require('node:url');

const CHROMIUM = process.env.VELMORAINE_CHROMIUM || '/usr/bin/chromium';
const ACTION_URL = 'https://www.velmoraine.com/cgi-bin/process.cgi';
const CHROMIUM_ARGS = [
  '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
  '--disable-component-update', '--disable-sync',
];

// Time allowed for a form that passed its checks to reach the action URL, and the grace
// period after an alert in which a send would still show up.
const SEND_TIMEOUT_MS = 10000;
const NO_SEND_GRACE_MS = 50;

let playwright = null;
try {
  playwright = require('playwright-core');
} catch {
  playwright = null;
}

// Why the browser tests cannot run on this machine, or null when they can.
function missingTools() {
  if (!playwright) return 'playwright-core is not installed (run "npm install" in tests/browser)';
  if (!fs.existsSync(CHROMIUM)) return `no Chromium at ${CHROMIUM}`;
  return null;
}

// Playwright gives every launch its own fresh temporary profile.
async function launch() {
  const browser = await playwright.chromium.launch({ executablePath: CHROMIUM, headless: true, args: CHROMIUM_ARGS });
  return { browser, close: () => browser.close() };
}

// A scratch folder for the pages of one test file; `remove` deletes it.
function tempFolder(prefix) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), prefix));
  return { dir, remove: () => fs.rmSync(dir, { recursive: true, force: true }) };
}

function writePage(dir, name, text) {
  const file = path.join(dir, name);
  fs.writeFileSync(file, Buffer.from(text, 'latin1'));
  return file;
}

// Opens a page file in a fresh context. The returned view records alerts, page errors,
// requests to the action URL (`sends`) and any other request that tried to leave (`stray`).
async function openPage(browser, file) {
  const context = await browser.newContext();
  const page = await context.newPage();
  const view = { page, context, alerts: [], errors: [], sends: [], stray: [] };
  await page.route('**/*', async (route) => {
    const request = route.request();
    const url = request.url();
    if (url.startsWith('file:')) return route.continue();
    if (url.split(/[?#]/)[0] === ACTION_URL) {
      view.sends.push({ method: request.method(), body: request.postData() || '' });
      return route.fulfill({ status: 200, contentType: 'text/html', body: '<html><body>Received</body></html>' });
    }
    view.stray.push(url);
    return route.abort();
  });
  page.on('dialog', (dialog) => {
    view.alerts.push(`${dialog.type()}: ${dialog.message()}`);
    dialog.dismiss().catch(() => {});
  });
  page.on('pageerror', (error) => view.errors.push(String(error)));
  // Every submit event as it ends: whether the page kept the form back.
  await page.addInitScript(() => {
    window.__submits = [];
    window.addEventListener('submit', (e) => window.__submits.push(e.defaultPrevented), false);
  });
  await page.goto(pathToFileURL(file).href);
  return view;
}

function sleep(ms) {
  return new Promise((resolve) => setTimeout(resolve, ms));
}

// Clicks the form's submit button. Returns the alerts it raised, whether the form was sent
// and the messages shown in the page (shownErrors).
async function submit(view, button = '[type=submit]') {
  const alertsBefore = view.alerts.length;
  const sendsBefore = view.sends.length;
  const eventsBefore = await view.page.evaluate(() => (window.__submits || []).length);
  await view.page.click(button);
  const keptBack = await view.page.evaluate((n) => {
    const events = window.__submits || [];
    return events.length === n || events[events.length - 1] === true;
  }, eventsBefore);
  const kept = keptBack || view.alerts.length > alertsBefore;
  const deadline = Date.now() + (kept ? NO_SEND_GRACE_MS : SEND_TIMEOUT_MS);
  while (view.sends.length === sendsBefore && Date.now() < deadline) await sleep(10);
  const sent = view.sends.length > sendsBefore;
  return { alerts: view.alerts.slice(alertsBefore), sent, shown: sent ? [] : await shownErrors(view) };
}

// The fields marked invalid, in page order, each with the text of the message that describes
// it (null when none does), and the summary's lines.
async function shownErrors(view) {
  return view.page.evaluate(() => {
    const out = [];
    for (const e of document.querySelectorAll('[aria-invalid="true"]')) {
      if (out.some((o) => o.name === e.name)) continue;
      const ids = (e.getAttribute('aria-describedby') || '').split(/\s+/);
      const box = ids.map((id) => document.getElementById(id)).find((x) => x && x.className === 'velmoraine-error');
      out.push({ name: e.name, text: box ? box.textContent : null });
    }
    return out;
  });
}

async function summaryLines(view) {
  return view.page.evaluate(() => {
    const box = document.getElementById('velmoraine-summary');
    return box ? [...box.querySelectorAll('li')].map((li) => li.textContent) : null;
  });
}

// Gives a field a value: typed into inputs and text areas, chosen in lists.
async function setValue(view, selector, value) {
  const tag = await view.page.$eval(selector, (e) => e.tagName);
  if (tag === 'SELECT') await view.page.selectOption(selector, value);
  else await view.page.fill(selector, value);
}

// The name of the focused element and whether its whole text is selected.
async function focusState(view) {
  return view.page.evaluate(() => {
    const e = document.activeElement;
    let selected = null;
    try {
      selected = e.selectionStart === 0 && e.selectionEnd === e.value.length;
    } catch {
      selected = null;
    }
    return { name: e && e.name, selected };
  });
}

async function closePage(view) {
  await view.context.close();
}

// Steps for runSteps: set field values, then expect the form kept back with `message` shown
// for the field `focus` (for any field when not given; the focus on it when it is the only
// one), or expect the form to be sent.
const fail = (set, message, focus) => ({ set, message, focus });
const pass = (set) => ({ set });

// Opens the page and submits it once per step; after a send the page is loaded again for
// the next step. Fails on alerts, page errors and requests that tried to leave. Returns the
// sends.
async function runSteps(browser, file, steps) {
  const view = await openPage(browser, file);
  try {
    for (const step of steps) {
      const label = JSON.stringify(step.set);
      for (const [field, value] of Object.entries(step.set)) await setValue(view, `[name="${field}"]`, value);
      const result = await submit(view);
      assert.deepEqual(result.alerts, [], label);
      if (step.message !== undefined) {
        assert.equal(result.sent, false, `${label} was sent`);
        const hit = result.shown.find((e) => (step.focus === undefined || e.name === step.focus) &&
          e.text !== null && e.text.includes(step.message));
        assert.ok(hit, `${label}: "${step.message}" not among ${JSON.stringify(result.shown)}`);
        if (result.shown.length === 1) assert.equal((await focusState(view)).name, hit.name, label);
      } else {
        assert.equal(result.sent, true, `${label} was not sent: ${JSON.stringify(result.shown)}`);
        await view.page.goto(pathToFileURL(file).href);
      }
    }
    assert.deepEqual(view.errors, []);
    assert.deepEqual(view.stray, []);
    return view.sends;
  } finally {
    await closePage(view);
  }
}

module.exports = {
  ACTION_URL, missingTools, launch, tempFolder, writePage, openPage, submit, shownErrors, summaryLines, setValue, focusState,
  closePage, fail, pass, runSteps, sleep,
};
