'use strict';
// What a visitor of the contact example meets with four bad fields, measured in Chromium on
// the page velmoraine-cli writes: how many errors the first submit shows, how many submits
// it takes to send the form, what the accessibility tree says, whether bad data gets through
// with scripts off or under a strict Content-Security-Policy, and the bytes the block adds.
// The browser tests check these figures; run this file to print them:
//   node tests/browser/measure.js [--model FILE]     (velmoraine-cli from VELMORAINE_CLI or build/release)

const fs = require('node:fs');
const path = require('node:path');
const zlib = require('node:zlib');
const { execFileSync } = require('node:child_process');
const { pathToFileURL } = require('node:url');

const block = require('./block.js');
const harness = require('./harness.js');

const CLI = path.resolve(__dirname, process.env.VELMORAINE_CLI || '../../build/release/velmoraine-cli');
const CONTACT = path.resolve(__dirname, '..', '..', 'docs', 'example', 'contact.htm');
const RULES = ['name', 'email', 'phone', 'qty=number,min=1,max=10'];
const BAD = { name: '', email: 'ann@example', phone: '555-12', qty: '50' };
const GOOD = { name: 'Ann', email: 'ann@example.com', phone: '(555) 123-4567', qty: '3' };
const STRICT_POLICY = '<meta http-equiv="Content-Security-Policy" content="script-src \'self\'">';

// Rewrites `source` (a byte string) with the contact rules; returns the page and the tool's
// JSON answer.
function rewrite(dir, name, source, { model = block.MODEL_PATH, extra = [] } = {}) {
  const input = path.join(dir, `${name}.htm`);
  const output = path.join(dir, `${name}.out.htm`);
  fs.writeFileSync(input, Buffer.from(source, 'latin1'));
  const args = ['rewrite', input, '--id', '24680', '--model', model, '--json', '-o', output, ...extra];
  for (const rule of RULES) args.push('--rule', rule);
  const answer = execFileSync(CLI, args, { cwd: dir, stdio: ['ignore', 'pipe', 'pipe'] }).toString();
  return { file: output, text: fs.readFileSync(output).toString('latin1'), json: JSON.parse(answer) };
}

function withPolicy(source, policy) {
  return source.replace('<head>', `<head>\n${policy}`);
}

// The accessibility tree's text boxes: how many are invalid, and how many are described by
// their error message.
async function accessibility(view) {
  const client = await view.context.newCDPSession(view.page);
  await client.send('Accessibility.enable');
  const { nodes } = await client.send('Accessibility.getFullAXTree');
  const boxes = nodes.filter((n) => n.role && n.role.value === 'textbox');
  const invalid = boxes.filter((n) => (n.properties || []).some((p) => p.name === 'invalid' && p.value.value !== 'false'));
  const described = boxes.filter((n) => n.description && /Please|must/.test(n.description.value));
  await client.detach();
  return { invalid: invalid.length, described: described.length };
}

async function fill(view, values) {
  for (const [name, value] of Object.entries(values)) await harness.setValue(view, `[name="${name}"]`, value);
}

// Submits the bad values, then as a visitor would: puts right what the page points at (the
// fields shown, else the focused field), until the form is sent.
async function visit(browser, file) {
  const view = await harness.openPage(browser, file);
  try {
    await fill(view, BAD);
    const first = await harness.submit(view);
    const tree = await accessibility(view);
    const figures = {
      shownInline: first.shown.length,
      alerts: first.alerts.length,
      ariaInvalid: await view.page.evaluate(() => document.querySelectorAll('[aria-invalid="true"]').length),
      axInvalid: tree.invalid,
      describedBy: tree.described,
      focus: await view.page.evaluate(() => document.activeElement.id || document.activeElement.name || ''),
    };
    let result = first;
    let submits = 1;
    while (!result.sent && submits < 10) {
      const names = result.shown.length ? result.shown.map((e) => e.name) : [(await harness.focusState(view)).name];
      for (const name of names) await harness.setValue(view, `[name="${name}"]`, GOOD[name]);
      result = await harness.submit(view);
      submits += 1;
    }
    figures.submits = submits;
    figures.errors = view.errors;
    return figures;
  } finally {
    await harness.closePage(view);
  }
}

// Whether the bad values reach the action URL from a context with the given options.
async function badDataSent(browser, file, contextOptions) {
  const context = await browser.newContext(contextOptions);
  const page = await context.newPage();
  let sent = false;
  await page.route('**/*', (route) => {
    const url = route.request().url();
    if (url.startsWith('file:')) return route.continue();
    if (url.startsWith(harness.ACTION_URL)) sent = true;
    return route.fulfill({ status: 200, contentType: 'text/html', body: 'Received' });
  });
  await page.goto(pathToFileURL(file).href);
  for (const [name, value] of Object.entries(BAD)) await page.fill(`[name="${name}"]`, value);
  await page.click('[type=submit]');
  for (let i = 0; i < 100 && !sent; i++) await harness.sleep(10);
  await context.close();
  return sent;
}

function blockBytes(text) {
  const start = text.indexOf('<!-- VELMORAINE-BEGIN');
  const end = text.indexOf('>', text.indexOf('<!-- VELMORAINE-END')) + 1;
  const bytes = Buffer.from(text.slice(start, end), 'latin1');
  return { raw: bytes.length, gzip: zlib.gzipSync(bytes, { level: 9 }).length };
}

// Every figure of the table, for the script model `model`.
async function measure(browser, dir, model = block.MODEL_PATH) {
  const source = fs.readFileSync(CONTACT).toString('latin1');
  const plain = rewrite(dir, 'contact', source, { model });
  const fallback = rewrite(dir, 'contact-fallback', source, { model, extra: ['--html5-fallback'] });
  const strict = rewrite(dir, 'contact-strict', withPolicy(source, STRICT_POLICY), { model, extra: ['--html5-fallback'] });
  const strictPlain = rewrite(dir, 'contact-strict-plain', withPolicy(source, STRICT_POLICY), { model });
  const figures = await visit(browser, plain.file);
  figures.scriptsOffSent = await badDataSent(browser, fallback.file, { javaScriptEnabled: false });
  figures.scriptsOffSentWithoutFallback = await badDataSent(browser, plain.file, { javaScriptEnabled: false });
  figures.strictPolicySent = await badDataSent(browser, strict.file, {});
  figures.strictPolicySentWithoutFallback = await badDataSent(browser, strictPlain.file, {});
  figures.bytes = blockBytes(plain.text);
  figures.cspHash = plain.json.csp_hash;
  return figures;
}

function table(f) {
  const yesNo = (b) => (b ? 'yes' : 'no');
  return [
    `| shown on the first submit | ${f.shownInline} inline${f.alerts ? ` + ${f.alerts} alert` : ''} |`,
    `| submits until the form is sent | ${f.submits} |`,
    `| fields marked aria-invalid | ${f.ariaInvalid} (${f.axInvalid} in the AX tree) |`,
    `| error read as the field's description | ${f.describedBy} |`,
    `| JavaScript off: bad data sent | ${yesNo(f.scriptsOffSent)} with --html5-fallback (${yesNo(f.scriptsOffSentWithoutFallback)} without) |`,
    `| strict CSP (script-src 'self'): bad data sent | ${yesNo(f.strictPolicySent)} with --html5-fallback (${yesNo(f.strictPolicySentWithoutFallback)} without) |`,
    `| bytes added (raw / gzip) | ${f.bytes.raw.toLocaleString('en')} / ${f.bytes.gzip.toLocaleString('en')} |`,
  ].join('\n');
}

module.exports = { CONTACT, RULES, BAD, GOOD, STRICT_POLICY, rewrite, withPolicy, measure, accessibility, badDataSent, blockBytes, table };

if (require.main === module) {
  (async () => {
    const i = process.argv.indexOf('--model');
    const model = i > 0 ? path.resolve(process.argv[i + 1]) : block.MODEL_PATH;
    const chromium = await harness.launch();
    const folder = harness.tempFolder('velmoraine-measure-');
    try {
      console.log(table(await measure(chromium.browser, folder.dir, model)));
    } finally {
      await chromium.close();
      folder.remove();
    }
  })().catch((error) => {
    console.error(error);
    process.exit(1);
  });
}
