'use strict';
// Draws the README's pictures of the contact example as the visitor sees it: every error after
// the first submit, then the messages going as fields are put right; and the error state of the
// same page written in German and in Japanese (the Japanese text needs a Japanese font, such as
// Debian's fonts-ipafont-gothic).
//   node tests/browser/screenshots.js      (velmoraine-cli from VELMORAINE_CLI or build/release)

const path = require('node:path');

const harness = require('./harness.js');
const measure = require('./measure.js');

const OUT = path.resolve(__dirname, '..', '..', 'docs', 'screenshots');

// The contact example as a German and a Japanese author would write it: its labels and the
// rules' messages in the page's language.
const LOCAL = {
  de: {
    labels: [
      ['Contact us', 'Kontakt'],
      ['Contact us', 'Kontakt'],
      ['Your name:', 'Ihr Name:'],
      ['E-mail:', 'E-Mail:'],
      ['Phone:', 'Telefon:'],
      ['Zip code:', 'PLZ:'],
      ['How many brochures?', 'Wie viele Prospekte?'],
      ['Message:', 'Nachricht:'],
    ],
    rules: [
      'name=filled,message=Bitte geben Sie Ihren Namen ein.',
      'email=email,message=Bitte geben Sie eine g\u00fcltige E-Mail-Adresse ein.',
      'phone=digits,min=7,max=15,punct= ()-+/,message=Bitte geben Sie Ihre Telefonnummer ein.',
      'qty=number,min=1,max=10,message=Bitte geben Sie eine Anzahl ein.',
    ],
  },
  ja: {
    labels: [
      ['Contact us', '\u304a\u554f\u3044\u5408\u308f\u305b'],
      ['Contact us', '\u304a\u554f\u3044\u5408\u308f\u305b'],
      ['Your name:', '\u304a\u540d\u524d\uff1a'],
      ['E-mail:', '\u30e1\u30fc\u30eb\uff1a'],
      ['Phone:', '\u96fb\u8a71\u756a\u53f7\uff1a'],
      ['Zip code:', '\u90f5\u4fbf\u756a\u53f7\uff1a'],
      ['How many brochures?', '\u30d1\u30f3\u30d5\u30ec\u30c3\u30c8\u306e\u90e8\u6570\uff1a'],
      ['Message:', '\u30e1\u30c3\u30bb\u30fc\u30b8\uff1a'],
    ],
    rules: [
      'name=filled,message=\u304a\u540d\u524d\u3092\u5165\u529b\u3057\u3066\u304f\u3060\u3055\u3044\u3002',
      'email=email,message=\u6709\u52b9\u306a\u30e1\u30fc\u30eb\u30a2\u30c9\u30ec\u30b9\u3092\u5165\u529b\u3057\u3066\u304f\u3060\u3055\u3044\u3002',
      'phone=digits,min=7,max=15,punct= ()-+,message=\u96fb\u8a71\u756a\u53f7\u3092\u5165\u529b\u3057\u3066\u304f\u3060\u3055\u3044\u3002',
      'qty=number,min=1,max=10,message=\u90e8\u6570\u3092\u5165\u529b\u3057\u3066\u304f\u3060\u3055\u3044\u3002',
    ],
  },
};

// The German or Japanese page, UTF-8, rewritten with its own rules; returns the output file.
function localPage(dir, lang) {
  const fs = require('node:fs');
  const { execFileSync } = require('node:child_process');
  let source = fs.readFileSync(measure.CONTACT).toString('latin1')
    .replace('<html>', `<html lang="${lang}">`).replace('<head>', '<head>\n<meta charset="utf-8">');
  for (const [from, to] of LOCAL[lang].labels) source = source.replace(from, to);
  const input = path.join(dir, `contact-${lang}.htm`);
  const output = path.join(dir, `contact-${lang}.out.htm`);
  fs.writeFileSync(input, source, 'utf8');
  const cli = path.resolve(__dirname, process.env.VELMORAINE_CLI || '../../build/release/velmoraine-cli');
  const args = ['rewrite', input, '--id', '24680', '-o', output];
  for (const rule of LOCAL[lang].rules) args.push('--rule', rule);
  execFileSync(cli, args, { stdio: ['ignore', 'pipe', 'pipe'] });
  return output;
}

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
    for (const lang of Object.keys(LOCAL)) {
      const local = await harness.openPage(chromium.browser, localPage(folder.dir, lang));
      await local.page.setViewportSize({ width: 640, height: 560 });
      for (const [name, value] of Object.entries(measure.BAD)) await harness.setValue(local, `[name="${name}"]`, value);
      await harness.submit(local);
      await local.page.screenshot({ path: path.join(OUT, `visitor-errors-${lang}.png`) });
      await harness.closePage(local);
    }
  } finally {
    await chromium.close();
    folder.remove();
  }
})().catch((error) => {
  console.error(error);
  process.exit(1);
});
