'use strict';
// Writes a small presentation as a flat ODP document (one XML file that
// LibreOffice opens like any deck): per slide a title placeholder, an
// outline of paragraphs or bullets, a table and speaker notes, each optional,
// and any further frames made by the helpers of `frames` (text boxes,
// numbered lists, pictures with a title and description, tables with a
// header row).
const fs = require('node:fs');

const NS = {
  office: 'urn:oasis:names:tc:opendocument:xmlns:office:1.0',
  style: 'urn:oasis:names:tc:opendocument:xmlns:style:1.0',
  text: 'urn:oasis:names:tc:opendocument:xmlns:text:1.0',
  table: 'urn:oasis:names:tc:opendocument:xmlns:table:1.0',
  draw: 'urn:oasis:names:tc:opendocument:xmlns:drawing:1.0',
  fo: 'urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0',
  svg: 'urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0',
  presentation: 'urn:oasis:names:tc:opendocument:xmlns:presentation:1.0',
  xlink: 'http://www.w3.org/1999/xlink',
};

const escape = (s) => String(s).replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;').replace(/"/g, '&quot;');
const para = (s) => `<text:p>${escape(s)}</text:p>`;
const box = (x, y, w, h) => `svg:x="${x}cm" svg:y="${y}cm" svg:width="${w}cm" svg:height="${h}cm"`;

// A 1 x 1 PNG, what a picture frame shows.
const PNG = 'iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk+M9QDwADhgGAWjR9awAAAABJRU5ErkJggg==';

/** Frames beyond the placeholders; runs of text are strings, or { text, href } for a link, or { text, lang: 'ko' }. */
const run = (r) => (typeof r === 'string' ? escape(r)
  : r.href ? `<text:a xlink:type="simple" xlink:href="${escape(r.href)}">${escape(r.text)}</text:a>`
    : `<text:span text:style-name="${r.lang === 'ko' ? 'TKO' : 'T0'}">${escape(r.text)}</text:span>`);
const richPara = (runs) => `<text:p>${[].concat(runs).map(run).join('')}</text:p>`;
const frames = {
  /** A text box (no placeholder) of paragraphs at (x, y) cm. */
  textBox: (x, y, paragraphs, w = 20, h = 3) =>
    `<draw:frame ${box(x, y, w, h)}><draw:text-box>${paragraphs.map(richPara).join('')}</draw:text-box></draw:frame>`,
  /** A numbered list in a text box. */
  numbered: (x, y, items) => `<draw:frame ${box(x, y, 12, 4)}><draw:text-box><text:list text:style-name="LN">` +
    `${items.map((i) => `<text:list-item>${richPara(i)}</text:list-item>`).join('')}</text:list></draw:text-box></draw:frame>`,
  /** A picture with what its author wrote of it. */
  picture: (x, y, title, description) => `<draw:frame ${box(x, y, 4, 3)}><draw:image><office:binary-data>${PNG}` +
    `</office:binary-data></draw:image><svg:title>${escape(title)}</svg:title><svg:desc>${escape(description)}</svg:desc></draw:frame>`,
  /** A table whose first row is its header. */
  table: (x, y, rows) => `<draw:frame ${box(x, y, 12, 4)}><table:table table:use-first-row-styles="true">` +
    `<table:table-column table:number-columns-repeated="${rows[0].length}"/>` +
    rows.map((row) => `<table:table-row>${row.map((c) => `<table:table-cell>${para(c)}</table:table-cell>`).join('')}</table:table-row>`).join('') +
    '</table:table></draw:frame>',
};

// An outline item: a string, or [text, [sub-items]].
const outlineItem = (item) => (typeof item === 'string' ? `<text:list-item>${para(item)}</text:list-item>`
  : `<text:list-item>${para(item[0])}<text:list>${item[1].map(outlineItem).join('')}</text:list></text:list-item>`);

function slideXml(slide, k) {
  const parts = [];
  if (slide.title !== undefined) {
    parts.push(`<draw:frame draw:layer="layout" presentation:style-name="pr1" presentation:class="title" ${box(2, 1, 24, 3)}>` +
      `<draw:text-box>${para(slide.title)}</draw:text-box></draw:frame>`);
  }
  const lines = slide.paragraphs || [];
  const bullets = slide.bullets || [];
  if (lines.length || bullets.length) {
    const list = bullets.length ? `<text:list>${bullets.map(outlineItem).join('')}</text:list>` : '';
    parts.push(`<draw:frame draw:layer="layout" presentation:style-name="pr1" presentation:class="outline" ${box(2, 5, 24, slide.table ? 6 : 13)}>` +
      `<draw:text-box>${lines.map(para).join('')}${list}</draw:text-box></draw:frame>`);
  }
  if (slide.table) {
    const columns = slide.table[0].length;
    const rows = slide.table.map((row) =>
      `<table:table-row>${row.map((cell) => `<table:table-cell>${para(cell)}</table:table-cell>`).join('')}</table:table-row>`);
    parts.push(`<draw:frame draw:name="table${k}" ${box(2, 12, 24, 6)}><table:table>` +
      `<table:table-column table:number-columns-repeated="${columns}"/>${rows.join('')}</table:table></draw:frame>`);
  }
  for (const frame of slide.frames || []) parts.push(frame);
  if (slide.notes) {
    parts.push(`<presentation:notes><draw:page-thumbnail draw:layer="layout" ${box(2, 1.5, 17, 12.75)} ` +
      `presentation:class="page"/><draw:frame draw:layer="layout" presentation:style-name="pr1" presentation:class="notes" ${box(2, 14.5, 17, 10)}>` +
      `<draw:text-box>${slide.notes.map(para).join('')}</draw:text-box></draw:frame></presentation:notes>`);
  }
  return `<draw:page draw:name="page${k}" draw:master-page-name="Default">${parts.join('')}</draw:page>`;
}

/**
 * Writes `slides` ({ title, paragraphs, bullets (strings or [text, [sub-items]]),
 * table: rows of cells, frames, notes }) to `file` as a flat ODP deck whose
 * text is in `language`.
 */
function writeFlatDeck(file, slides, { language = 'en', country = 'US' } = {}) {
  const xmlns = Object.entries(NS).map(([prefix, uri]) => `xmlns:${prefix}="${uri}"`).join(' ');
  const xml = `<?xml version="1.0" encoding="UTF-8"?>
<office:document ${xmlns} office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.presentation">
<office:styles>
<style:default-style style:family="graphic"><style:text-properties fo:font-size="24pt" fo:language="${language}" fo:country="${country}"/></style:default-style>
</office:styles>
<office:automatic-styles>
<style:style style:name="pr1" style:family="presentation"/>
<style:style style:name="T0" style:family="text"><style:text-properties fo:language="${language}" fo:country="${country}"/></style:style>
<style:style style:name="TKO" style:family="text"><style:text-properties style:language-asian="ko" style:country-asian="KR"/></style:style>
<text:list-style style:name="LN"><text:list-level-style-number text:level="1" style:num-format="1" style:num-suffix="."/></text:list-style>
<style:page-layout style:name="PM1"><style:page-layout-properties fo:page-width="28cm" fo:page-height="21cm" style:print-orientation="landscape"/></style:page-layout>
</office:automatic-styles>
<office:master-styles><style:master-page style:name="Default" style:page-layout-name="PM1"/></office:master-styles>
<office:body><office:presentation>
${slides.map(slideXml).join('\n')}
</office:presentation></office:body>
</office:document>
`;
  fs.writeFileSync(file, xml);
  return file;
}

module.exports = { writeFlatDeck, frames };
