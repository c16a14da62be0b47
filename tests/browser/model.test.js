'use strict';
// The script model in a real browser: blocks assembled by block.js from rule records, put
// into small order forms, submitted with the visitor's values.

const { describe, test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const vm = require('node:vm');

const block = require('./block.js');
const harness = require('./harness.js');

const model = block.readModel();
const missing = harness.missingTools();

// ---------------------------------------------------------------------------------------
// Records and pages

const rec = {
  filled: (name, min, max, blank, msg) => `${name}^0^${min}^${max}^${blank}^${msg}`,
  email: (name, blank, msg) => `${name}^1^${blank}^${msg}`,
  digits: (name, min, max, punct, blank, msg) => `${name}^2^${min}^${max}^${punct}^${blank}^${msg}`,
  number: (name, min, max, blank, msg) => `${name}^3^${min}^${max}^${blank}^${msg}`,
};

const PHONE_MSG = 'Please enter a valid phone number with area code.';
const ZIP_MSG = 'Please enter a valid zip code.';
const EMAIL_MSG = 'Please enter a valid email address.';

function textInputs(...names) {
  return names.map((n) => `${n}: <input type="text" name="${n}"><br>`).join('\r\n');
}

// The page as the rewriter leaves it: form tag pointed at the service, hidden input, block.
function updatedPage({ formName = 'order', fields, records }) {
  const source = '<html>\r\n<head>\r\n<title>Order</title>\r\n</head>\r\n<body>\r\n' +
    `<form method="post" name="${formName}"   action="${harness.ACTION_URL}"  onsubmit=" return velmoraine_sub()" >` +
    '<input type="hidden" name="velmoraine" value="24680-1">\r\n' +
    `${fields}\r\n<input type="submit" value="Send">\r\n</form>\r\n</body>\r\n</html>\r\n`;
  return block.insertBlock(source, block.buildBlock(model, records, formName));
}

// ---------------------------------------------------------------------------------------
// The model file itself

describe('script model file', () => {
  test('starts with the begin marker and ends with the head of velmoraine_sub', () => {
    assert.ok(model.startsWith('<!-- VELMORAINE-BEGIN -->\r\n'));
    assert.ok(model.endsWith('\r\nfunction velmoraine_sub() {'));
  });

  test('uses CR LF line breaks only', () => {
    assert.equal(model.replace(/\r\n/g, '').search(/[\r\n]/), -1);
  });

  test('opens a script element and an HTML comment inside it', () => {
    const script = model.indexOf('<script type="text/javascript">\r\n');
    assert.ok(script > 0);
    assert.ok(model.indexOf('<!--\r\n', script) > script);
  });

  test('holds no text that the rewriter or the browser would read as a marker', () => {
    const body = model.slice(model.indexOf('<script'));
    assert.ok(!model.includes('//VLDATA:'), 'the first stored rules line must be the real one');
    assert.ok(!model.includes('VELMORAINE-END'));
    assert.ok(!body.slice(1).includes('<script') && !body.includes('</') && !body.includes('-->'));
    assert.ok(/^[\x09\x0a\x0d\x20-\x7e]*$/.test(model), 'plain ASCII');
  });

  test('declares the globals and the four checks', () => {
    assert.match(model, /\r\nvar b, errmsg, min, max, punct;\r\n/);
    for (const fn of ['velmoraine_filledin', 'velmoraine_email', 'velmoraine_numseq', 'velmoraine_number']) {
      assert.match(model, new RegExp(`\\r\\nfunction ${fn}\\(f\\) \\{\\r\\n`));
    }
  });

  test('avoids newer syntax that old browsers cannot read', () => {
    const code = model.replace(/\/\/[^\r\n]*/g, '');
    assert.doesNotMatch(code, /\b(let|const|class)\s|=>|`|\.trim\(|\.includes\(/);
  });

  test('a block with every kind and awkward values parses as a script', () => {
    const records = [
      rec.filled('name', '1', '0', '0', 'Field "name" must be filled in.'),
      rec.email('e-mail', '1', 'Say "hi" \\ please </b>'),
      rec.digits('phone', '010', '10', ' ()-+"\\', '0', ''),
      rec.number('qty', '', 'abc', 'yes', 'x'),
      rec.number('n', '-1.5', '010.5', '1', 'x'),
      'broken^7^x',
      '^0^1^0^0^no name',
    ];
    const page = updatedPage({ formName: 'my-form', fields: '', records });
    assert.doesNotThrow(() => new vm.Script(block.scriptText(page)));
  });
});

// ---------------------------------------------------------------------------------------
// Checks in the browser

describe('checks in the browser', { skip: missing || false }, () => {
  let chromium;
  let folder;
  let pageCount = 0;

  before(async () => {
    chromium = await harness.launch();
    folder = harness.tempFolder('velmoraine-model-');
  });
  after(async () => {
    if (chromium) await chromium.close();
    if (folder) folder.remove();
  });

  async function run(page, steps) {
    const file = harness.writePage(folder.dir, `page${++pageCount}.html`, page);
    return harness.runSteps(chromium.browser, file, steps);
  }

  const { fail, pass } = harness;

  test('filled-in: an empty required field is reported, a filled one sent', async () => {
    const msg = 'Field "name" must be filled in.';
    const sends = await run(updatedPage({ fields: textInputs('name'), records: [rec.filled('name', '1', '0', '0', msg)] }), [
      fail({ name: '' }, msg, 'name'),
      pass({ name: 'Ann' }),
    ]);
    assert.equal(sends[0].method, 'POST');
    assert.match(sends[0].body, /(^|&)velmoraine=24680-1(&|$)/);
    assert.match(sends[0].body, /(^|&)name=Ann(&|$)/);
  });

  test('filled-in: character limits', async () => {
    const page = updatedPage({ fields: textInputs('code'), records: [rec.filled('code', '3', '5', '0', 'Three to five.')] });
    await run(page, [
      fail({ code: 'ab' }, 'Three to five.'),
      fail({ code: 'abcdef' }, 'Three to five.'),
      pass({ code: 'abc' }),
      pass({ code: 'abcde' }),
    ]);
  });

  test('filled-in: blank allowed lets an empty field through but still checks a filled one', async () => {
    const page = updatedPage({ fields: textInputs('nick'), records: [rec.filled('nick', '3', '0', '1', 'Too short.')] });
    await run(page, [fail({ nick: 'ab' }, 'Too short.'), pass({ nick: '' })]);
  });

  test('filled-in: limits that are not numbers set no limit', async () => {
    const page = updatedPage({ fields: textInputs('note'), records: [rec.filled('note', '', 'abc', '0', 'Needed.')] });
    await run(page, [fail({ note: '' }, 'Needed.'), pass({ note: 'x'.repeat(300) })]);
  });

  test('filled-in: text area, list and option buttons, all reported at once', async () => {
    const fields = '<textarea name="comments"></textarea>\r\n' +
      '<select name="size"><option value="">Choose</option><option value="L">Large</option></select>\r\n' +
      '<input type="radio" name="pay" value="card"><input type="radio" name="pay" value="cash">';
    const records = [
      rec.filled('comments', '2', '0', '0', 'Comments please.'),
      rec.filled('size', '1', '0', '0', 'Choose a size.'),
      rec.filled('pay', '1', '0', '0', 'Choose how to pay.'),
    ];
    const file = harness.writePage(folder.dir, `page${++pageCount}.html`, updatedPage({ fields, records }));
    const view = await harness.openPage(chromium.browser, file);
    try {
      let r = await harness.submit(view);
      assert.deepEqual([r.alerts, r.sent], [[], false]);
      assert.deepEqual(r.shown, [
        { name: 'comments', text: 'comments: Comments please. (at least 2 characters)' },
        { name: 'size', text: 'size: Choose a size.' },
        { name: 'pay', text: 'pay: Choose how to pay.' },
      ]);
      assert.equal(await view.page.evaluate(() => document.querySelectorAll('[name=pay][aria-invalid=true]').length), 2);
      await view.page.fill('[name=comments]', 'Fine');
      await view.page.selectOption('[name=size]', 'L');
      assert.deepEqual((await harness.shownErrors(view)).map((e) => e.name), ['pay']);
      await view.page.check('[name=pay][value=cash]');
      assert.deepEqual(await harness.shownErrors(view), []);
      r = await harness.submit(view);
      assert.deepEqual([r.alerts, r.sent], [[], true]);
      assert.deepEqual(view.errors, []);
    } finally {
      await harness.closePage(view);
    }
  });

  test('e-mail: wrong addresses are reported, a right one sent', async () => {
    const page = updatedPage({ fields: textInputs('email'), records: [rec.email('email', '0', EMAIL_MSG)] });
    const wrong = ['', 'joe', 'joe@example', '@example.com', 'joe@@example.com', 'jo@e@example.com', 'joe@.example.com',
      'joe@example.com.', 'joe@example..com', 'jo e@example.com', ' joe@example.com', 'joe@exa mple.com', 'joe.@example.com'];
    await run(page, [
      ...wrong.map((v) => fail({ email: v }, EMAIL_MSG, 'email')),
      pass({ email: 'joe.bloggs+news@mail.example.co.uk' }),
      pass({ email: 'a@b.cd' }),
    ]);
  });

  test('e-mail: blank allowed lets an empty field through', async () => {
    const page = updatedPage({ fields: textInputs('email'), records: [rec.email('email', '1', EMAIL_MSG)] });
    await run(page, [fail({ email: 'nobody' }, EMAIL_MSG), pass({ email: '' })]);
  });

  test('digits: phone preset', async () => {
    const page = updatedPage({ fields: textInputs('phone'), records: [rec.digits('phone', '10', '10', ' ()-+', '0', PHONE_MSG)] });
    await run(page, [
      fail({ phone: '' }, PHONE_MSG, 'phone'),
      fail({ phone: '555-1234' }, PHONE_MSG),
      fail({ phone: '+1 (555) 123-4567' }, PHONE_MSG),
      fail({ phone: '(555) 123-4567 x2' }, PHONE_MSG),
      fail({ phone: '555.123.4567' }, PHONE_MSG),
      pass({ phone: '(555) 123-4567' }),
      pass({ phone: '5551234567' }),
    ]);
  });

  test('digits: zip preset', async () => {
    const page = updatedPage({ fields: textInputs('zip'), records: [rec.digits('zip', '5', '9', '-', '0', ZIP_MSG)] });
    await run(page, [
      fail({ zip: '1234' }, ZIP_MSG),
      fail({ zip: '1234a' }, ZIP_MSG),
      fail({ zip: '12345 6789' }, ZIP_MSG),
      fail({ zip: '12345-67890' }, ZIP_MSG),
      pass({ zip: '12345' }),
      pass({ zip: '12345-6789' }),
    ]);
  });

  test('digits: maximum 0 and limits that are not numbers set no limit; blank allowed', async () => {
    const records = [rec.digits('account', '2', '0', '', '1', 'Account digits.'), rec.digits('ref', 'x', '', '/', '0', 'Ref.')];
    const page = updatedPage({ fields: textInputs('account', 'ref'), records });
    await run(page, [
      fail({ account: '1', ref: '1' }, 'Account digits.'),
      fail({ account: '', ref: '' }, 'Ref.'),
      fail({ account: '', ref: '1-2' }, 'Ref.'),
      pass({ account: '1'.repeat(40), ref: '/' }),
      pass({ account: '', ref: '12/34' }),
    ]);
  });

  test('digits: a limit typed with a leading zero counts in decimal', async () => {
    const page = updatedPage({ fields: textInputs('card'), records: [rec.digits('card', '010', '010', ' ', '0', 'Ten digits.')] });
    await run(page, [fail({ card: '12345678' }, 'Ten digits.'), fail({ card: '123456789' }, 'Ten digits.'), pass({ card: '12345 67890' })]);
  });

  test('number: 1 to 100', async () => {
    const msg = 'Field "qty" must contain a valid number.';
    const page = updatedPage({ fields: textInputs('qty'), records: [rec.number('qty', '1', '100', '0', msg)] });
    await run(page, [
      ...['', '0', '101', 'abc', '-5', '5x', '1e2', '1,5', '+', '.', '100.01'].map((v) => fail({ qty: v }, msg, 'qty')),
      pass({ qty: '50' }),
      pass({ qty: ' 1 ' }),
      pass({ qty: '100' }),
      pass({ qty: '+2.5' }),
      pass({ qty: '7.' }),
    ]);
  });

  test('number: 0 and texts that are not numbers set no limit on their side', async () => {
    const records = [rec.number('a', '0', '0', '0', 'A.'), rec.number('b', '', 'abc', '0', 'B.'), rec.number('c', '-10', '10', '1', 'C.')];
    const page = updatedPage({ fields: textInputs('a', 'b', 'c'), records });
    await run(page, [
      fail({ a: 'x', b: '1', c: '' }, 'A.'),
      fail({ a: '-7', b: '', c: '' }, 'B.'),
      fail({ a: '-7', b: '1', c: '-11' }, 'C.'),
      fail({ a: '-7', b: '1', c: '10.5' }, 'C.'),
      pass({ a: '-7', b: '-1', c: '' }),
      pass({ a: '123456789', b: '99999', c: '-10' }),
    ]);
  });

  test('every failing rule reports at once; the summary takes the focus and nothing is selected', async () => {
    const records = [
      rec.filled('name', '1', '0', '0', 'Name.'),
      rec.email('email', '0', EMAIL_MSG),
      rec.digits('phone', '10', '10', ' ()-+', '0', PHONE_MSG),
    ];
    const file = harness.writePage(folder.dir, `page${++pageCount}.html`, updatedPage({ fields: textInputs('name', 'email', 'phone'), records }));
    const view = await harness.openPage(chromium.browser, file);
    try {
      await view.page.fill('[name=name]', 'Ann');
      await view.page.fill('[name=email]', 'ann-at-example');
      await view.page.fill('[name=phone]', '12');
      await view.page.focus('[name=name]');
      let r = await harness.submit(view);
      assert.deepEqual([r.alerts, r.sent], [[], false]);
      assert.deepEqual(r.shown.map((e) => e.name), ['email', 'phone']);
      assert.equal(await view.page.evaluate(() => document.activeElement.id), 'velmoraine-summary');
      assert.deepEqual(await harness.summaryLines(view), r.shown.map((e) => e.text));
      await view.page.fill('[name=email]', 'ann@example.com');
      r = await harness.submit(view);
      assert.deepEqual([r.alerts, r.sent, r.shown.map((e) => e.name)], [[], false, ['phone']]);
      assert.deepEqual(await harness.focusState(view), { name: 'phone', selected: false });
      assert.equal(await harness.summaryLines(view), null);
      await view.page.fill('[name=phone]', '555 123 4567');
      r = await harness.submit(view);
      assert.deepEqual([r.alerts, r.sent], [[], true]);
      assert.deepEqual(view.errors, []);
    } finally {
      await harness.closePage(view);
    }
  });

  test('messages and the summary read on the page\'s background: a red with the contrast, else the page\'s text color', async () => {
    const cells = [['white', '#fff', '#000'], ['blue', '#99ccff', '#000080'], ['dark', '#222', '#eee'], ['gray', '#999', '#000']];
    const fields = cells.map(([n, bg, fg]) => `<div style="background-color:${bg};color:${fg}">${n}: <input type="text" name="${n}"></div>`);
    const records = cells.map(([n]) => rec.filled(n, '1', '0', '0', 'Needed.'));
    const file = harness.writePage(folder.dir, `page${++pageCount}.html`, updatedPage({ fields: fields.join('\r\n'), records }));
    const view = await harness.openPage(chromium.browser, file);
    try {
      const r = await harness.submit(view);
      assert.deepEqual(r.shown.map((e) => e.name), ['white', 'blue', 'dark', 'gray']);
      const colors = await view.page.evaluate(() => [...document.querySelectorAll('.velmoraine-error, #velmoraine-summary a')]
        .map((e) => getComputedStyle(e).color));
      assert.deepEqual(colors, [
        ...Array(4).fill('rgb(176, 0, 32)'), // the summary's links, on the form's white
        'rgb(176, 0, 32)', 'rgb(139, 0, 0)', 'rgb(255, 179, 179)', 'rgb(0, 0, 0)',
      ]);
      if (view.axe) assert.equal(view.axe.checked, 1);
    } finally {
      await harness.closePage(view);
    }
  });

  test('a message with double quotes and a backslash is shown as typed', async () => {
    const msg = 'Say "hi" \\ please';
    const page = updatedPage({ fields: textInputs('greeting'), records: [rec.filled('greeting', '1', '0', '0', msg)] });
    await run(page, [fail({ greeting: '' }, msg), pass({ greeting: 'hi' })]);
  });

  test('names that are not identifiers: field first-name in form my-form', async () => {
    const page = updatedPage({ formName: 'my-form', fields: textInputs('first-name'), records: [rec.filled('first-name', '1', '0', '0', 'First name.')] });
    await run(page, [fail({ 'first-name': '' }, 'First name.', 'first-name'), pass({ 'first-name': 'Ann' })]);
  });

  test('a rule for a field the form does not have lets the form through', async () => {
    const records = [rec.filled('gone', '1', '0', '0', 'Gone.'), rec.number('qty', '1', '0', '0', 'Qty.')];
    const page = updatedPage({ fields: textInputs('qty'), records });
    await run(page, [fail({ qty: '0' }, 'Qty.'), pass({ qty: '3' })]);
  });

  test('records with an unknown kind or no name are stored but not checked', async () => {
    const records = ['qty^9^1^0^0^Never.', '^0^1^0^0^Never.', rec.filled('qty', '1', '0', '0', 'Qty.')];
    const page = updatedPage({ fields: textInputs('qty'), records });
    assert.ok(page.includes('//VLDATA:qty^9^1^0^0^Never.:;^0^1^0^0^Never.:;qty^0^1^0^0^Qty.:;\r\n'));
    await run(page, [fail({ qty: '' }, 'Qty.'), pass({ qty: '1' })]);
  });
});
