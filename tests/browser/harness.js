'use strict';
// Shared browser plumbing: one Chromium per test file, a fresh context per page, nothing sent
// over the network. The form's action is answered locally and recorded, so "the form was
// sent" means a request to the action URL was seen; alerts are recorded and dismissed.
// Every page that holds the current script model is checked with axe-core (when installed) in
// each error state a submit leaves it in, against the same page as the visitor opened it.

const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { pathToFileURL } = require('node:url');

const block = require('./block.js');

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

let axeSource = null;
try {
  axeSource = fs.readFileSync(require.resolve('axe-core/axe.min.js'), 'utf8');
} catch {
  axeSource = null;
}
const MODEL = block.readModel();

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

// ---------------------------------------------------------------------------------------
// axe-core

// axe-core's violations on the open page: fault -> the elements, each named by the key that
// keyElements gave it at load (so the summary moving the form's paragraphs does not rename
// them), or as "new" with its selector when it came later. Two faults go by other names:
// - A field without a label fails "label" ("select-name" for a list), and once a message
//   describes it also "label-title-only": one fault, counted as "label".
// - Content outside every landmark ("region") is counted per form: the messages and the summary
//   sit in the form beside its fields, so they are outside the landmarks exactly when the form's
//   own content is.
// axe is loaded once per page load, through the debugging protocol (so a page's Content-Security-
// Policy does not stop it), and kept out of the page's enumerable globals.
async function violations(view) {
  if (!(await view.page.evaluate(() => Object.prototype.hasOwnProperty.call(window, 'axe')))) {
    await view.page.evaluate(`${axeSource}\n;Object.defineProperty(window, 'axe', { enumerable: false });`);
  }
  const found = await view.page.evaluate(async () => {
    const named = (id, selector) => {
      const e = document.querySelector(selector);
      const form = e && id === 'region' && e.closest('form');
      if (form && form.dataset.axeKey) return `in form ${form.dataset.axeKey}`;
      return e && e.dataset.axeKey ? e.dataset.axeKey : `new ${selector}`;
    };
    const result = await window.axe.run(document, { resultTypes: ['violations'] });
    return result.violations.map((v) => [v.id, v.nodes.map((n) => named(v.id, n.target.join(' ')))]);
  });
  const out = {};
  for (const [id, targets] of found) {
    const key = ['label-title-only', 'select-name'].includes(id) ? 'label' : id;
    out[key] = [...new Set([...(out[key] || []), ...targets])];
  }
  return out;
}

async function keyElements(view) {
  await view.page.evaluate(() => document.querySelectorAll('*').forEach((e, i) => { e.dataset.axeKey = String(i); }));
}

// The violations on the page now that the page as loaded did not have: rule id -> elements.
async function addedViolations(view) {
  const now = await violations(view);
  const added = {};
  for (const [id, targets] of Object.entries(now)) {
    const extra = targets.filter((t) => !(view.axe.baseline[id] || []).includes(t));
    if (extra.length) added[id] = extra;
  }
  return added;
}

// Asserts that the error state on the page, named by the fields shown, brings no violation the
// page did not have; each state is checked once per page.
async function checkErrorState(view, shown) {
  const state = shown.map((e) => e.name).join(' ');
  if (!view.axe || view.axe.states.has(state)) return;
  view.axe.states.add(state);
  assert.deepEqual(await addedViolations(view), {}, `axe-core on ${path.basename(view.file)} with ${state} shown`);
  view.axe.checked += 1;
}

// Navigates the view to its page; on a page with the current model, keys the elements and, the
// first time, records axe-core's violations as the page's own.
async function load(view) {
  await view.page.goto(pathToFileURL(view.file).href);
  if (!view.axe) return;
  await keyElements(view);
  if (!view.axe.baseline) view.axe.baseline = await violations(view);
}

// ---------------------------------------------------------------------------------------
// Pages

// Opens a page file in a fresh context. The returned view records alerts, page errors,
// requests to the action URL (`sends`) and any other request that tried to leave (`stray`).
// A page with the current model is checked with axe-core unless `axe` is false.
async function openPage(browser, file, { axe = true } = {}) {
  const context = await browser.newContext();
  const page = await context.newPage();
  const checked = axe && axeSource && fs.readFileSync(file).toString('latin1').includes(MODEL);
  const axeState = checked ? { baseline: null, states: new Set(), checked: 0 } : null;
  const view = { page, context, file, axe: axeState, alerts: [], errors: [], sends: [], stray: [] };
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
  await load(view);
  return view;
}

function sleep(ms) {
  return new Promise((resolve) => setTimeout(resolve, ms));
}

// Clicks the form's submit button. Returns the alerts it raised, whether the form was sent
// and the messages shown in the page (shownErrors); a new error state is checked with axe-core.
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
  const shown = sent ? [] : await shownErrors(view);
  if (shown.length) await checkErrorState(view, shown);
  return { alerts: view.alerts.slice(alertsBefore), sent, shown };
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
        await load(view);
      }
    }
    assert.deepEqual(view.errors, []);
    assert.deepEqual(view.stray, []);
    return view.sends;
  } finally {
    await closePage(view);
  }
}

// Why axe-core cannot check the pages, or null when it can.
const axeMissing = () => (axeSource ? null : 'axe-core is not installed (run "npm install" in tests/browser)');

module.exports = {
  ACTION_URL, missingTools, axeMissing, launch, tempFolder, writePage, openPage, submit, shownErrors, summaryLines, setValue,
  focusState, closePage, fail, pass, runSteps, sleep,
};
