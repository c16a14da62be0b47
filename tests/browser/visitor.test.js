'use strict';
// What the visitor meets, on pages written by velmoraine-cli: every error at once, in the page
// and in the accessibility tree; the field's own label and limits; one set of checks on pages
// with HTML constraints; the fallback with scripts off and under a strict Content-Security-
// Policy; the round trip between pages of the earlier (alert) model and of this one; axe-core
// finding nothing new in the error state.

const { describe, test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { execFileSync } = require('node:child_process');

const block = require('./block.js');
const harness = require('./harness.js');
const measure = require('./measure.js');

const CLI = path.resolve(__dirname, process.env.VELMORAINE_CLI || '../../build/release/velmoraine-cli');
const OLD_MODEL = path.join(__dirname, 'fixtures', 'vlmodel-alert.txt');
const CORPUS = path.resolve(__dirname, '..', '..', '..', 'shared', 'corpus', 'pages');
const skip = (fs.existsSync(CLI) ? null : `velmoraine-cli not found at ${CLI}`) || harness.missingTools() || false;

function cli(dir, args) {
  return execFileSync(CLI, args, { cwd: dir, stdio: ['ignore', 'pipe', 'pipe'] }).toString('latin1');
}

// Writes `source` and rewrites it with `rules`; returns the output file and its text.
function rewritten(dir, name, source, rules, { model = block.MODEL_PATH, extra = [] } = {}) {
  const input = path.join(dir, `${name}.htm`);
  const output = path.join(dir, `${name}.out.htm`);
  fs.writeFileSync(input, Buffer.from(source, 'latin1'));
  const args = ['rewrite', input, '--id', '24680', '--model', model, '-o', output, ...extra];
  for (const rule of rules) args.push('--rule', rule);
  cli(dir, args);
  return { input, file: output, text: fs.readFileSync(output).toString('latin1') };
}

function page(fields, formAttributes = '') {
  return '<html>\n<head>\n<title>Order</title>\n</head>\n<body>\n<main>\n<h1>Order</h1>\n' +
    `<form method="post" action="mail.asp" name="order"${formAttributes}>\n${fields}\n` +
    '<p><input type="submit" value="Send"></p>\n</form>\n</main>\n</body>\n</html>\n';
}

describe('the visitor\'s side', { skip }, () => {
  let chromium;
  let folder;
  before(async () => {
    chromium = await harness.launch();
    folder = harness.tempFolder('velmoraine-visitor-');
  });
  after(async () => {
    if (chromium) await chromium.close();
    if (folder) folder.remove();
  });

  test('contact example, four bad fields: the figures of the table', async () => {
    const f = await measure.measure(chromium.browser, folder.dir);
    assert.deepEqual(
      [f.shownInline, f.alerts, f.submits, f.ariaInvalid, f.axInvalid, f.describedBy, f.focus],
      [4, 0, 2, 4, 4, 4, 'velmoraine-summary'],
    );
    assert.deepEqual(f.errors, []);
    assert.equal(f.scriptsOffSent, false, 'scripts off, with the fallback attributes');
    assert.equal(f.strictPolicySent, false, 'strict CSP, with the fallback attributes');
    assert.ok(f.bytes.gzip < 6144, `block is ${f.bytes.gzip} bytes gzipped, every language in it`);
  });

  test('the message speaks the field\'s label and the rule\'s limits', async () => {
    const fields = '<p><label for="p1">Phone number:</label> <input id="p1" name="phone"></p>\n' +
      '<p><label>Your e-mail * <input name="email"></label></p>\n' +
      '<p><input name="qty" aria-label="Brochures"></p>\n' +
      '<p>Note <textarea name="note"></textarea></p>\n' +
      '<p><label>Size <select name="size"><option value="">Pick one</option><option>L</option></select></label></p>';
    const out = rewritten(folder.dir, 'labels', page(fields), [
      'phone=digits,min=7,max=15,punct= -,message=Wrong phone.',
      'email=email,message=Wrong address.',
      'qty=number,min=1,max=10,message=Wrong count.',
      'note=filled,min=1,max=40,message=',
      'size=filled,message=Pick a size.',
    ]);
    const view = await harness.openPage(chromium.browser, out.file);
    try {
      await harness.setValue(view, '[name=phone]', '12');
      await harness.setValue(view, '[name=email]', 'x');
      await harness.setValue(view, '[name=qty]', '11');
      await harness.setValue(view, '[name=note]', 'y'.repeat(41));
      const r = await harness.submit(view);
      assert.deepEqual(r.shown.map((e) => e.text), [
        'Phone number: Wrong phone. (7 to 15 digits, may also contain - and spaces)',
        'Your e-mail: Wrong address. (an address like name@example.com)',
        'Brochures: Wrong count. (a number from 1 to 10)',
        'note: at most 40 characters',
        'Size: Pick a size.',
      ]);
      // The message after a wrapping label, not inside it: the label still names only the field.
      assert.equal(await view.page.evaluate(() => document.querySelector('[name=email]').closest('label').nextElementSibling.className),
        'velmoraine-error');
      assert.deepEqual(await harness.summaryLines(view), r.shown.map((e) => e.text));
      // Typing a right value takes the field's message down; the others stay.
      await view.page.fill('[name=qty]', '3');
      assert.deepEqual((await harness.shownErrors(view)).map((e) => e.name), ['phone', 'email', 'note', 'size']);
      const left = (await harness.shownErrors(view)).map((e) => e.text);
      assert.deepEqual(await harness.summaryLines(view), left, 'the summary follows');
      assert.equal(await view.page.textContent('#velmoraine-summary p'), 'Please correct these 4 fields:');
      assert.equal(await view.page.getAttribute('[name=qty]', 'aria-invalid'), null);
      assert.equal(await view.page.getAttribute('[name=qty]', 'aria-describedby'), null);
      assert.deepEqual(view.alerts, []);
      assert.deepEqual(view.errors, []);
    } finally {
      await harness.closePage(view);
    }
  });

  test('one set of checks: the page\'s HTML constraints join the list, no browser bubble', async () => {
    for (const formAttributes of ['', ' novalidate']) {
      const fields = '<p><label for="e">E-mail</label> <input id="e" type="email" name="email" required></p>\n' +
        '<p><label for="c">Code</label> <input id="c" name="code" pattern="[A-Z]{3}"></p>\n' +
        '<p><label for="n">Name</label> <input id="n" name="name"></p>';
      const out = rewritten(folder.dir, `html5${formAttributes.length}`, page(fields, formAttributes), ['name=filled,message=Name please.']);
      const view = await harness.openPage(chromium.browser, out.file);
      try {
        await harness.setValue(view, '[name=email]', 'a@');
        await harness.setValue(view, '[name=code]', 'abc');
        const r = await harness.submit(view);
        assert.equal(r.sent, false);
        assert.deepEqual(r.shown.map((e) => e.name), ['email', 'code', 'name'], formAttributes);
        const bubble = await view.page.evaluate(() => document.querySelector('[name=email]').validationMessage);
        assert.equal(r.shown[0].text, `E-mail: ${bubble}`);
        assert.equal(await view.page.getAttribute('form', 'novalidate'), '');
        await harness.setValue(view, '[name=email]', 'a@b.cd');
        await harness.setValue(view, '[name=code]', 'ABC');
        await harness.setValue(view, '[name=name]', 'Ann');
        assert.equal((await harness.submit(view)).sent, true);
      } finally {
        await harness.closePage(view);
      }
    }
  });

  test('under a CSP that allows the block by its hash, the listener checks without the onsubmit attribute', async () => {
    const source = fs.readFileSync(measure.CONTACT).toString('latin1');
    const plain = measure.rewrite(folder.dir, 'hash-probe', source);
    const policy = `<meta http-equiv="Content-Security-Policy" content="script-src 'self' ${plain.json.csp_hash}">`;
    const hashed = measure.rewrite(folder.dir, 'hashed', measure.withPolicy(source, policy));
    assert.equal(hashed.json.csp_hash, plain.json.csp_hash);
    assert.deepEqual(hashed.json.warnings.filter((w) => /Content-Security-Policy/.test(w)), []);
    const strict = measure.rewrite(folder.dir, 'strict', measure.withPolicy(source, measure.STRICT_POLICY));
    assert.equal(strict.json.warnings.filter((w) => /Content-Security-Policy/.test(w)).length, 1);

    const view = await harness.openPage(chromium.browser, hashed.file);
    try {
      for (const [name, value] of Object.entries(measure.BAD)) await harness.setValue(view, `[name="${name}"]`, value);
      let r = await harness.submit(view);
      assert.deepEqual([r.sent, r.shown.length], [false, 4]);
      for (const [name, value] of Object.entries(measure.GOOD)) await harness.setValue(view, `[name="${name}"]`, value);
      r = await harness.submit(view);
      assert.equal(r.sent, true);
      assert.ok(view.errors.every((e) => /Content Security Policy/.test(e)), view.errors.join('\n'));
    } finally {
      await harness.closePage(view);
    }
  });

  test('the globals are the ones the statements use, plus one namespace object', async () => {
    const out = rewritten(folder.dir, 'globals', page('<p><label for="n">Name</label> <input id="n" name="name"></p>'), ['name']);
    const view = await harness.openPage(chromium.browser, out.file);
    const bare = await harness.openPage(chromium.browser, out.input);
    try {
      const names = (v) => v.page.evaluate(() => Object.keys(window));
      const before = new Set(await names(bare));
      const added = (await names(view)).filter((n) => !before.has(n) && !n.startsWith('__')).sort();
      assert.deepEqual(added, ['b', 'errmsg', 'max', 'min', 'punct', 'velmoraine', 'velmoraine_email', 'velmoraine_filledin',
        'velmoraine_number', 'velmoraine_numseq', 'velmoraine_sub']);
    } finally {
      await harness.closePage(view);
      await harness.closePage(bare);
    }
  });

  test('without DOM support the visitor still gets an alert', async () => {
    const out = rewritten(folder.dir, 'nodom', page('<p><label for="n">Name</label> <input id="n" name="name"></p>'),
      ['name=filled,message=Name please.']);
    const context = await chromium.browser.newContext();
    await context.addInitScript(() => { document.addEventListener = undefined; });
    const p = await context.newPage();
    const alerts = [];
    p.on('dialog', (d) => { alerts.push(d.message()); d.dismiss().catch(() => {}); });
    try {
      await p.goto(`file://${out.file}`);
      await p.click('[type=submit]');
      await harness.sleep(50);
      assert.deepEqual(alerts, ['Name please.']);
    } finally {
      await context.close();
    }
  });

  test('pages of the earlier model and of this one convert both ways, their rules restored', async () => {
    const rules = ['name=filled,message=Name please.', 'qty=number,min=1,max=10,message=1 to 10.'];
    const fields = '<p><label for="n">Name</label> <input id="n" name="name"></p>\n<p><label for="q">Qty</label> <input id="q" name="qty"></p>';
    const old = rewritten(folder.dir, 'old', page(fields), rules, { model: OLD_MODEL });
    const stored = (file) => JSON.parse(cli(folder.dir, ['scan', '--json', file])).rules.map((r) => r.record);
    const records = ['name^0^1^0^0^Name please.', 'qty^3^1^10^0^1 to 10.'];
    assert.deepEqual(stored(old.file), records);

    // Old page -> this model: the stored rules carry over with no --rule given.
    const newer = rewritten(folder.dir, 'newer', old.text, [], { extra: ['--html5-fallback'] });
    assert.deepEqual(stored(newer.file), records);
    assert.ok(newer.text.includes(block.readModel()), 'the new model');
    assert.equal(newer.text.split('<!-- VELMORAINE-BEGIN').length, 2);
    // And back: the earlier model, the rules, and no attribute of the fallback left.
    const back = rewritten(folder.dir, 'back', newer.text, [], { model: OLD_MODEL });
    assert.deepEqual(stored(back.file), records);
    assert.ok(back.text.includes(block.readModel(OLD_MODEL)));
    assert.ok(!back.text.includes('data-velmoraine') && !back.text.includes('inputmode'));

    const view = await harness.openPage(chromium.browser, newer.file);
    try {
      await harness.setValue(view, '[name=qty]', '0');
      const r = await harness.submit(view);
      assert.deepEqual(r.shown.map((e) => e.text), ['Name: Name please.', 'Qty: 1 to 10. (a number from 1 to 10)']);
    } finally {
      await harness.closePage(view);
    }
    const oldView = await harness.openPage(chromium.browser, back.file);
    try {
      const r = await harness.submit(oldView);
      assert.deepEqual([r.alerts, r.sent], [['alert: Name please.'], false]);
    } finally {
      await harness.closePage(oldView);
    }
  });

  // Every page the browser tests open with this model is checked in its error states (harness.js);
  // these are the example and real pages beside the small ones.
  test('axe-core finds nothing in the error state that the page did not have', { skip: harness.axeMissing() || false }, async () => {
    const contact = fs.readFileSync(measure.CONTACT).toString('latin1');
    const pages = [
      ['contact', contact, measure.RULES],
      ['labelled', page('<p><label for="n">Name</label> <input id="n" name="name"></p>\n' +
        '<p><label for="e">E-mail</label> <input id="e" name="email"></p>'), ['name', 'email']],
    ];
    const corpus = [
      ['mdn-la__first-form.html', ['user_name', 'user_mail=email', 'user_message=filled,min=10,max=0']],
      ['vesco__afrikaans-mono_send.htm', ['Contact_person', 'tel=digits,min=7,max=15,punct= ', 'email_address=email',
        'Qty_mono_R385_less5=number,min=1,max=5']],
      // Fields in light blue table cells, where a lighter red lacks the contrast.
      ['vesco__DAB_pump_imp.htm', ['Dmax=number', 'd=number', 'L=number', 'Contact_person', 'email_address=email']],
    ];
    for (const [name, rules] of corpus) {
      const file = path.join(CORPUS, name);
      if (fs.existsSync(file)) pages.push([name, fs.readFileSync(file).toString('latin1'), rules]);
    }
    for (const [name, source, rules] of pages) {
      const out = rewritten(folder.dir, `axe-${name}`, source, rules);
      const view = await harness.openPage(chromium.browser, out.file);
      try {
        const r = await harness.submit(view, 'form [type=submit], form button:not([type])');
        assert.ok(r.shown.length > 0, `${name}: no error shown`);
        assert.equal(view.axe.checked, 1, `${name}: the error state was not checked`);
      } finally {
        await harness.closePage(view);
      }
    }
  });
});
