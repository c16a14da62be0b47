'use strict';
// A page whose earlier tools checked it (FrontPage's generated validator, Dreamweaver's
// MM_validateForm in the form's and a field's handlers), rewritten with --import-legacy: the
// visitor meets the new block's inline messages for the imported rules and no alert from the
// old code, on submit or on leaving a field. The old code here is a stand-in that only alerts.

const { describe, test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { execFileSync } = require('node:child_process');

const block = require('./block.js');
const harness = require('./harness.js');

const CLI = path.resolve(__dirname, process.env.VELMORAINE_CLI || '../../build/release/velmoraine-cli');
const skip = (fs.existsSync(CLI) ? null : `velmoraine-cli not found at ${CLI}`) || harness.missingTools() || false;

const OLD = '<script>function MM_validateForm() { alert("old check"); document.MM_returnValue = false; }\n' +
  'function FrontPage_Form1_Validator(f) { alert("old check"); return false; }</script>\n';

const PAGES = {
  mm: '<html>\n<head>\n<title>Order</title>\n' + OLD + '</head>\n<body>\n<main>\n' +
    '<form name="order" method="post" action="order.php" ' +
    'onSubmit="MM_validateForm(\'name\',\'\',\'R\',\'email\',\'\',\'RisEmail\',\'qty\',\'\',\'NinRange1:10\');' +
    'return document.MM_returnValue">\n' +
    '<p><label for="name">Name</label> <input id="name" name="name"></p>\n' +
    '<p><label for="email">E-mail</label> <input id="email" name="email" ' +
    'onBlur="MM_validateForm(\'email\',\'\',\'RisEmail\');return document.MM_returnValue"></p>\n' +
    '<p><label for="qty">Quantity</label> <input id="qty" name="qty"></p>\n' +
    '<p><input type="submit" value="Send"></p>\n</form>\n</main>\n</body>\n</html>\n',
  webbot: '<html>\n<head>\n<title>Order</title>\n</head>\n<body>\n<main>\n' +
    '<!--webbot BOT="GeneratedScript" PREVIEW=" " startspan -->' + OLD + '<!--webbot BOT="GeneratedScript" endspan -->\n' +
    '<form method="POST" action="--WEBBOT-SELF--" onsubmit="return FrontPage_Form1_Validator(this)" name="FrontPage_Form1">\n' +
    '<p><label for="name">Name</label> <!--webbot bot="Validation" S-Display-Name="Name" B-Value-Required="TRUE" ' +
    'I-Minimum-Length="2" --><input id="name" name="name"></p>\n' +
    '<p><label for="qty">Quantity</label> <!--webbot bot="Validation" S-Data-Type="Integer" ' +
    'S-Validation-Constraint="Less than or equal to" S-Validation-Value="10" --><input id="qty" name="qty"></p>\n' +
    '<p><input type="submit" value="Send"></p>\n</form>\n</main>\n</body>\n</html>\n',
};

const SHOWN = {
  mm: [['name', 'Name: Field "name" must be filled in.'],
    ['email', 'E-mail: Please enter a valid email address (an address like name@example.com)'],
    ['qty', 'Quantity: Field \'qty\' must contain a valid number. (a number from 1 to 10)']],
  webbot: [['name', 'Name: Field "Name" must be filled in. (at least 2 characters)'],
    ['qty', 'Quantity: Field \'qty\' must contain a valid number. (a number of at most 10)']],
};

describe('a page checked by an earlier tool, its rules brought in', { skip }, () => {
  let chromium;
  let folder;
  before(async () => {
    chromium = await harness.launch();
    folder = harness.tempFolder('velmoraine-legacy-');
  });
  after(async () => {
    if (chromium) await chromium.close();
    if (folder) folder.remove();
  });

  test('the new messages, and no alert from the old code', async () => {
    for (const [name, source] of Object.entries(PAGES)) {
      const input = path.join(folder.dir, `${name}.htm`);
      const output = path.join(folder.dir, `${name}.out.htm`);
      fs.writeFileSync(input, source, 'latin1');
      execFileSync(CLI, ['rewrite', input, '--id', '24680', '--model', block.MODEL_PATH, '--import-legacy', '-o', output],
        { stdio: ['ignore', 'pipe', 'pipe'] });
      const view = await harness.openPage(chromium.browser, output);
      try {
        await harness.setValue(view, '[name=qty]', '11');
        if (name === 'mm') {
          await harness.setValue(view, '[name=email]', 'x');
          await view.page.focus('[name=name]'); // leaves the e-mail field: its old onBlur ran before
        }
        const r = await harness.submit(view);
        assert.equal(r.sent, false, name);
        assert.deepEqual(r.shown.map((e) => [e.name, e.text]), SHOWN[name], name);
        assert.deepEqual(view.alerts, [], `${name}: an old check alerted`);
        assert.deepEqual(view.errors, [], name);
      } finally {
        await harness.closePage(view);
      }
    }
  });
});
