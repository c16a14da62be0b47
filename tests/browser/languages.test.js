'use strict';
// The visitor's texts in the page's language: for each language the script speaks, the contact
// page's error state with limits counted 1, 2, 5 and 22, the summary before and after fields are
// put right, the direction of the messages, and axe-core finding nothing new; then a page
// without a lang that the author gives one (--lang), kept by a second rewrite without it.

const { describe, test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { execFileSync } = require('node:child_process');

const block = require('./block.js');
const harness = require('./harness.js');

const CLI = path.resolve(__dirname, process.env.VELMORAINE_CLI || '../../build/release/velmoraine-cli');
const skip = (fs.existsSync(CLI) ? null : `velmoraine-cli not found at ${CLI}`) || harness.missingTools() || false;

const COUNTS = [1, 2, 5, 22];
// name, rule, a bad value; the labels are the names. Messages are left empty, so each shown
// text is the label and the rule's limits in the page's language.
const FIELDS = [
  ...COUNTS.map((n) => [`c${n}`, `filled,max=${n},message=`, 'x'.repeat(23)]),
  ...COUNTS.map((n) => [`d${n}`, `digits,min=${n},message=`, 'x']),
  ['num', 'number,min=1,max=10,message=', '11'],
  ['mail', 'email,message=', 'x'],
  ['tel', 'digits,punct= -,message=', 'x'],
];

function page(lang, extra = '') {
  const fields = FIELDS.map(([name]) => `<p><label for="${name}">${name}</label> <input id="${name}" name="${name}"></p>`);
  return `<html${lang ? ` lang="${lang}"` : ''}${extra}>\n<head>\n<title>Order</title>\n</head>\n<body>\n<main>\n` +
    '<form method="post" action="mail.asp" name="order">\n' + fields.join('\n') +
    '\n<p><input type="submit" value="Send"></p>\n</form>\n</main>\n</body>\n</html>\n';
}

function rewrite(dir, name, source, extra = []) {
  const input = path.join(dir, `${name}.htm`);
  const output = path.join(dir, `${name}.out.htm`);
  fs.writeFileSync(input, Buffer.from(source, 'utf8'));
  const args = ['rewrite', input, '--id', '24680', '--model', block.MODEL_PATH, '-o', output, ...extra];
  for (const [field, rule] of FIELDS) args.push('--rule', `${field}=${rule}`);
  execFileSync(CLI, args, { stdio: ['ignore', 'pipe', 'pipe'] });
  return output;
}

// Per language: the summary for 11 and for 2 fields, then each field's text in FIELDS order.
const EXPECTED = require('./fixtures/languages.json');

describe('the visitor\'s language', { skip }, () => {
  let chromium;
  let folder;
  before(async () => {
    chromium = await harness.launch();
    folder = harness.tempFolder('velmoraine-languages-');
  });
  after(async () => {
    if (chromium) await chromium.close();
    if (folder) folder.remove();
  });

  // Fills every field wrongly and submits; then puts all but two right.
  async function errorStates(file) {
    const view = await harness.openPage(chromium.browser, file);
    try {
      for (const [name, , bad] of FIELDS) await harness.setValue(view, `[name=${name}]`, bad);
      const r = await harness.submit(view);
      assert.equal(r.sent, false);
      const first = await view.page.textContent('#velmoraine-summary p');
      const direction = await view.page.evaluate(() => [
        getComputedStyle(document.querySelector('.velmoraine-error')).direction,
        getComputedStyle(document.getElementById('velmoraine-summary')).direction,
      ]);
      // All but the last two put right: the summary counts 2.
      for (const [name] of FIELDS.slice(0, -2)) {
        await view.page.fill(`[name=${name}]`, name === 'num' ? '5' : name.startsWith('d') ? '1'.repeat(22) : 'x');
      }
      const second = await view.page.textContent('#velmoraine-summary p');
      assert.deepEqual(view.errors, []);
      // axe-core found nothing in the error state that the page did not have.
      assert.equal(view.axe ? view.axe.checked : 1, 1);
      return { summaries: [first, second], texts: r.shown.map((e) => e.text), direction };
    } finally {
      await harness.closePage(view);
    }
  }

  test('every text in each language, with its plural forms and its numbers', async () => {
    for (const [lang, expected] of Object.entries(EXPECTED)) {
      const got = await errorStates(rewrite(folder.dir, `page-${lang}`, page(lang)));
      assert.deepEqual(got.summaries, expected.summaries, lang);
      assert.deepEqual(got.texts, expected.texts, lang);
      assert.deepEqual(got.direction, lang === 'ar' ? ['rtl', 'rtl'] : ['ltr', 'ltr'], lang);
    }
  });

  test('a region falls back to its language; a language without texts gives English', async () => {
    for (const [lang, speaks] of [['de-CH', 'de'], ['pt-BR', 'pt'], ['he', 'en']]) {
      const got = await errorStates(rewrite(folder.dir, `region-${lang}`, page(lang)));
      assert.deepEqual(got.summaries, EXPECTED[speaks].summaries, lang);
    }
  });

  test('a page without a lang, given French by --lang, keeps it through a second rewrite', async () => {
    const first = rewrite(folder.dir, 'nolang', page(''), ['--lang', 'fr']);
    assert.match(fs.readFileSync(first, 'latin1'), /<form [^>]* lang="fr" >/);
    const again = rewrite(folder.dir, 'again', fs.readFileSync(first, 'utf8'));
    assert.equal((fs.readFileSync(again, 'latin1').match(/lang="fr"/g) || []).length, 1);
    assert.deepEqual((await errorStates(again)).summaries, EXPECTED.fr.summaries);
  });
});
