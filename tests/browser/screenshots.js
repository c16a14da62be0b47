'use strict';
// Draws the README's pictures of the contact example as the visitor sees it: every error after
// the first submit, then the messages going as fields are put right.
//   node tests/browser/screenshots.js      (velmoraine-cli from VELMORAINE_CLI or build/release)

const path = require('node:path');

const harness = require('./harness.js');
const measure = require('./measure.js');

const OUT = path.resolve(__dirname, '..', '..', 'docs', 'screenshots');

(async () => {
  const chromium = await harness.launch();
  const folder = harness.tempFolder('velmoraine-shots-');
  try {
    const fs = require('node:fs');
    const page = measure.rewrite(folder.dir, 'contact', fs.readFileSync(measure.CONTACT).toString('latin1'));
    const view = await harness.openPage(chromium.browser, page.file);
    await view.page.setViewportSize({ width: 640, height: 560 });
    for (const [name, value] of Object.entries(measure.BAD)) await harness.setValue(view, `[name="${name}"]`, value);
    await harness.submit(view);
    await view.page.screenshot({ path: path.join(OUT, 'visitor-errors.png') });
    await view.page.fill('[name=name]', measure.GOOD.name);
    await view.page.fill('[name=qty]', measure.GOOD.qty);
    await view.page.screenshot({ path: path.join(OUT, 'visitor-fixing.png') });
    await harness.closePage(view);
  } finally {
    await chromium.close();
    folder.remove();
  }
})().catch((error) => {
  console.error(error);
  process.exit(1);
});
