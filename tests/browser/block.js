'use strict';
// Builds the validation script block the way the page rewriter does, so the script model can
// be exercised in a browser without the command-line tool. All texts are byte strings held
// as 'latin1' JavaScript strings.

const fs = require('node:fs');
const path = require('node:path');

const MODEL_PATH = path.resolve(__dirname, '..', '..', 'core', 'rewrite', 'vlmodel.txt');
const CLOSING = '\r\n}\r\n-->\r\n</script>\r\n<!-- VELMORAINE-END -->\r\n';

// The script model as bytes.
function readModel(file = MODEL_PATH) {
  return fs.readFileSync(file).toString('latin1');
}

// The fields of a rule record; a field beyond the end is the empty text.
function splitRecord(record) {
  return record.split('^');
}

// A string literal: backslash, double quote, CR and LF escaped, "</" written as "<\/" so the
// text cannot close the script element.
function jsString(text) {
  let out = '"';
  for (let i = 0; i < text.length; i++) {
    const c = text[i];
    if (c === '\\') out += '\\\\';
    else if (c === '"') out += '\\"';
    else if (c === '\r') out += '\\r';
    else if (c === '\n') out += '\\n';
    else if (c === '<' && text[i + 1] === '/') out += '<\\/';
    else out += c;
  }
  return out + '"';
}

// A limit or flag written bare when it is a plain decimal number, else as a string literal.
// A leading zero ("010") stays a string: bare, the browser reads it as octal or, with a
// decimal part, as a syntax error.
function jsValue(text) {
  return /^-?(0|[1-9][0-9]*)(\.[0-9]+)?$/.test(text) ? text : jsString(text);
}

// `object.name` for an identifier, else `object["name"]`.
function jsMember(object, name) {
  return /^[A-Za-z_$][A-Za-z0-9_$]*$/.test(name) ? `${object}.${name}` : `${object}[${jsString(name)}]`;
}

const FUNCTIONS = ['velmoraine_filledin', 'velmoraine_email', 'velmoraine_numseq', 'velmoraine_number'];

// The check statements of one record (none for an empty name or an unknown kind).
function checkStatements(record, formName) {
  const f = splitRecord(record);
  const at = (i) => (i < f.length ? f[i] : '');
  const name = at(0);
  const kind = at(1);
  if (name === '' || !['0', '1', '2', '3'].includes(kind)) return '';
  const field = jsMember(jsMember('document', formName), name);
  const call = (fn) => `if (! ${fn}(${field}) ) return false ;\r\n\r\n`;
  switch (kind) {
    case '0':
    case '3':
      return `b=${jsValue(at(4))};\r\nerrmsg=${jsString(at(5))};\r\nmin=${jsValue(at(2))};\r\n` +
             `max=${jsValue(at(3))};\r\n` + call(FUNCTIONS[Number(kind)]);
    case '1':
      return `b=${jsValue(at(2))};\r\nerrmsg=${jsString(at(3))};\r\n` + call(FUNCTIONS[1]);
    default:
      return `b=${jsValue(at(5))};\r\nerrmsg=${jsString(at(6))};\r\npunct=${jsString(at(4))};\r\n` +
             `min=${jsValue(at(2))};\r\nmax=${jsValue(at(3))};\r\n` + call(FUNCTIONS[2]);
  }
}

// The whole block: line breaks, model, stored rules comment, statements, closing text.
function buildBlock(model, records, formName) {
  let out = '\r\n\r\n' + model + '\r\n' + '/*\r\n//VLDATA:';
  for (const r of records) out += r + ':;';
  out += '\r\n*/\r\n';
  for (const r of records) out += checkStatements(r, formName);
  return out + CLOSING;
}

// The page with the block before its closing head tag (or a head put before the body).
function insertBlock(page, block) {
  let at = page.indexOf('</head>');
  if (at < 0) at = page.indexOf('</HEAD>');
  if (at < 0) {
    let body = page.indexOf('<body');
    if (body < 0) body = page.indexOf('<BODY');
    if (body < 0) throw new Error('page has no head or body tag');
    page = page.slice(0, body) + '<head>  </head>' + page.slice(body);
    at = body + '<head>  '.length;
  }
  return page.slice(0, at) + block + page.slice(at);
}

// The script element's text of an updated page: from the line after the script opener to
// the closing tag, as the browser hands it to the script engine.
function scriptText(page) {
  const begin = page.indexOf('<!-- VELMORAINE-BEGIN');
  const open = page.indexOf('>', page.indexOf('<script', begin)) + 1;
  const close = page.indexOf('</script>', open);
  if (begin < 0 || open <= 0 || close < 0) throw new Error('no validation script block');
  return page.slice(open, close);
}

module.exports = {
  MODEL_PATH, CLOSING, readModel, splitRecord, jsString, jsValue, jsMember, checkStatements,
  buildBlock, insertBlock, scriptText,
};
