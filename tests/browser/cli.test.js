'use strict';
// End to end: source pages rewritten by velmoraine-cli, then submitted in a real browser.
// The tool is given the model of this source tree and runs in a scratch folder, so no
// settings of the machine it runs on take part.

const { describe, test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const vm = require('node:vm');
const { execFileSync } = require('node:child_process');

const block = require('./block.js');
const harness = require('./harness.js');

const CLI = path.resolve(__dirname, process.env.VELMORAINE_CLI || '../../build/release/velmoraine-cli');
const cliMissing = fs.existsSync(CLI) ? null : `velmoraine-cli not found at ${CLI} (build it or set VELMORAINE_CLI)`;
const browserMissing = harness.missingTools();
const model = block.readModel();

const PHONE_MSG = 'Please enter a valid phone number with area code.';
const ZIP_MSG = 'Please enter a valid zip code.';
const EMAIL_MSG = 'Please enter a valid email address.';
const QUOTED_MSG = 'Say "hi" \\ please';

// ---------------------------------------------------------------------------------------
// Source pages and the rewrite

function sourcePage(formAttributes, fields) {
  const inputs = fields.map((n) => `${n}: <input type="text" name="${n}"><br>`).join('\r\n');
  return '<html>\r\n<head>\r\n<title>Order form</title>\r\n</head>\r\n<body>\r\n<h1>Order</h1>\r\n' +
    `<form method="post" action="mail.asp"${formAttributes}>\r\n${inputs}\r\n` +
    '<input type="submit" value="Send">\r\n</form>\r\n</body>\r\n</html>\r\n';
}

const named = (...fields) => sourcePage(' name="order"', fields);

// Every case: a source page, the rules given to the tool, the stored rules line expected in
// the output, and the visitor's steps.
const CASES = [
  {
    name: 'phone preset',
    page: named('phone'),
    rules: ['phone'],
    stored: `phone^2^10^10^ ()-+^0^${PHONE_MSG}:;`,
    steps: [
      harness.fail({ phone: '555-1234' }, PHONE_MSG, 'phone'),
      harness.fail({ phone: '(555) 123-4567 x9' }, PHONE_MSG),
      harness.pass({ phone: '(555) 123-4567' }),
    ],
  },
  {
    name: 'zip preset',
    page: named('zip'),
    rules: ['zip'],
    stored: `zip^2^5^9^-^0^${ZIP_MSG}:;`,
    steps: [harness.fail({ zip: '1234' }, ZIP_MSG), harness.fail({ zip: '12345-678a' }, ZIP_MSG), harness.pass({ zip: '12345-6789' })],
  },
  {
    name: 'number from 1 to 100',
    page: named('qty'),
    rules: ['qty=number,min=1,max=100,message=Quantity from 1 to 100.'],
    stored: 'qty^3^1^100^0^Quantity from 1 to 100.:;',
    steps: [
      ...['0', '101', 'abc', ''].map((v) => harness.fail({ qty: v }, 'Quantity from 1 to 100.', 'qty')),
      harness.pass({ qty: '50' }),
    ],
  },
  {
    name: 'e-mail that may be left blank',
    page: named('email'),
    rules: [`email=email,blank=1,message=${EMAIL_MSG}`],
    stored: `email^1^1^${EMAIL_MSG}:;`,
    steps: [harness.fail({ email: 'ann@example' }, EMAIL_MSG), harness.pass({ email: '' }), harness.pass({ email: 'ann@example.com' })],
  },
  {
    name: 'field named first-name',
    page: named('first-name'),
    rules: ['first-name=filled,min=2,max=0,message=First name please.'],
    stored: 'first-name^0^2^0^0^First name please.:;',
    steps: [harness.fail({ 'first-name': 'A' }, 'First name please.', 'first-name'), harness.pass({ 'first-name': 'Al' })],
  },
  {
    name: 'message with double quotes and a backslash',
    page: named('comments'),
    rules: [`comments=filled,message=${QUOTED_MSG}`],
    stored: `^0^${QUOTED_MSG}:;`,
    steps: [harness.fail({ comments: '' }, QUOTED_MSG), harness.pass({ comments: 'hi' })],
  },
  {
    name: 'form without a name',
    page: sourcePage('', ['name']),
    rules: ['name=filled,min=1,max=0,message=Name please.'],
    stored: 'name^0^1^0^0^Name please.:;',
    output: (text) => assert.match(text, / name="form1" /),
    steps: [harness.fail({ name: '' }, 'Name please.', 'name'), harness.pass({ name: 'Ann' })],
  },
  {
    name: 'several rules, each failing one shown',
    page: named('name', 'email', 'phone'),
    rules: ['name=filled,min=1,max=0,message=Name please.', `email=email,message=${EMAIL_MSG}`, 'phone'],
    stored: `name^0^1^0^0^Name please.:;email^1^0^${EMAIL_MSG}:;phone^2^10^10^ ()-+^0^${PHONE_MSG}:;`,
    steps: [
      harness.fail({ name: '', email: 'x', phone: 'x' }, 'Name please.', 'name'),
      harness.fail({ name: 'Ann', email: 'x', phone: 'x' }, EMAIL_MSG, 'email'),
      harness.fail({ name: 'Ann', email: 'ann@example.com', phone: 'x' }, PHONE_MSG, 'phone'),
      harness.pass({ name: 'Ann', email: 'ann@example.com', phone: '555 123 4567' }),
    ],
  },
  {
    name: 'limits typed with a leading zero',
    page: named('card'),
    rules: ['card=digits,min=010,max=010,punct=-,message=Ten digits.'],
    stored: 'card^2^010^010^-^0^Ten digits.:;',
    steps: [harness.fail({ card: '123456789' }, 'Ten digits.'), harness.pass({ card: '12345-67890' })],
  },
  {
    name: 'decimal limits typed with a leading zero',
    page: named('weight'),
    rules: ['weight=number,min=00.5,max=010.5,message=Weight from 0.5 to 10.5.'],
    stored: 'weight^3^00.5^010.5^0^Weight from 0.5 to 10.5.:;',
    steps: [
      harness.fail({ weight: '0.4' }, 'Weight from 0.5 to 10.5.'),
      harness.fail({ weight: '10.6' }, 'Weight from 0.5 to 10.5.'),
      harness.pass({ weight: '10.5' }),
    ],
  },
];

// Runs the tool in `cwd`; returns the output page as a byte string.
function rewrite(cwd, source, rules, name) {
  const input = path.join(cwd, `${name}.html`);
  const output = path.join(cwd, `${name}.out.html`);
  fs.writeFileSync(input, Buffer.from(source, 'latin1'));
  const args = ['rewrite', input, '--id', '24680', '--model', block.MODEL_PATH];
  for (const rule of rules) args.push('--rule', rule);
  args.push('-o', output);
  try {
    execFileSync(CLI, args, { cwd, stdio: ['ignore', 'pipe', 'pipe'], timeout: 30000 });
  } catch (error) {
    throw new Error(`velmoraine-cli ${args.join(' ')} failed: ${error.stderr || error.message}`);
  }
  return fs.readFileSync(output).toString('latin1');
}

// ---------------------------------------------------------------------------------------
// Tests

describe('pages rewritten by velmoraine-cli', { skip: cliMissing || false }, () => {
  let folder;
  const outputs = new Map();

  before(() => {
    folder = harness.tempFolder('velmoraine-cli-');
    CASES.forEach((c, i) => outputs.set(c.name, rewrite(folder.dir, c.page, c.rules, `case${i}`)));
  });
  after(() => folder && folder.remove());

  for (const c of CASES) {
    test(`${c.name}: block, stored rules and script text`, () => {
      const text = outputs.get(c.name);
      assert.ok(text.includes(`\r\n\r\n${model}\r\n/*\r\n//VLDATA:`), 'model inserted verbatim');
      assert.ok(text.includes(`${c.stored}\r\n*/\r\n`), 'stored rules line');
      assert.ok(text.includes(`${block.CLOSING}</head>`), 'closing text before </head>');
      assert.match(text, /<input type="hidden" name="velmoraine" value="24680-1">/);
      assert.match(text, /onsubmit=" return velmoraine_sub\(\)"/);
      if (c.output) c.output(text);
      assert.doesNotThrow(() => new vm.Script(block.scriptText(text)), 'script parses');
    });
  }

  test('rewriting an updated page again leaves one block with the new rules', () => {
    const first = outputs.get('phone preset');
    const again = rewrite(folder.dir, first, ['phone=digits,min=7,max=7,punct=-,message=Seven digits.'], 'again');
    assert.equal(again.split('<!-- VELMORAINE-BEGIN').length, 2);
    assert.equal(again.split('<!-- VELMORAINE-END').length, 2);
    assert.ok(again.includes('//VLDATA:phone^2^7^7^-^0^Seven digits.:;\r\n'));
    assert.doesNotThrow(() => new vm.Script(block.scriptText(again)));
    outputs.set('again', again);
  });

  describe('in the browser', { skip: browserMissing || false }, () => {
    let chromium;
    before(async () => {
      chromium = await harness.launch();
    });
    after(async () => chromium && chromium.close());

    for (const [i, c] of CASES.entries()) {
      test(c.name, async () => {
        const file = harness.writePage(folder.dir, `case${i}.view.html`, outputs.get(c.name));
        const sends = await harness.runSteps(chromium.browser, file, c.steps);
        assert.ok(sends.length > 0);
        for (const send of sends) assert.match(send.body, /(^|&)velmoraine=24680-1(&|$)/);
      });
    }

    test('the page rewritten twice checks with its new rules', async () => {
      const file = harness.writePage(folder.dir, 'again.view.html', outputs.get('again'));
      await harness.runSteps(chromium.browser, file, [
        harness.fail({ phone: '(555) 123-4567' }, 'Seven digits.'),
        harness.pass({ phone: '123-4567' }),
      ]);
    });
  });
});
