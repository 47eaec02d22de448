'use strict';
// Writes a small presentation as a flat ODP document (one XML file that
// LibreOffice opens like any deck): per slide a title placeholder, an
// outline of paragraphs or bullets, a table and speaker notes, each optional.
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
};

const escape = (s) => String(s).replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;').replace(/"/g, '&quot;');
const para = (s) => `<text:p>${escape(s)}</text:p>`;
const box = (x, y, w, h) => `svg:x="${x}cm" svg:y="${y}cm" svg:width="${w}cm" svg:height="${h}cm"`;

function slideXml(slide, k) {
  const parts = [];
  if (slide.title !== undefined) {
    parts.push(`<draw:frame draw:layer="layout" presentation:style-name="pr1" presentation:class="title" ${box(2, 1, 24, 3)}>` +
      `<draw:text-box>${para(slide.title)}</draw:text-box></draw:frame>`);
  }
  const lines = slide.paragraphs || [];
  const bullets = slide.bullets || [];
  if (lines.length || bullets.length) {
    const list = bullets.length
      ? `<text:list>${bullets.map((b) => `<text:list-item>${para(b)}</text:list-item>`).join('')}</text:list>` : '';
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
  if (slide.notes) {
    parts.push(`<presentation:notes><draw:page-thumbnail draw:layer="layout" ${box(2, 1.5, 17, 12.75)} ` +
      `presentation:class="page"/><draw:frame draw:layer="layout" presentation:style-name="pr1" presentation:class="notes" ${box(2, 14.5, 17, 10)}>` +
      `<draw:text-box>${slide.notes.map(para).join('')}</draw:text-box></draw:frame></presentation:notes>`);
  }
  return `<draw:page draw:name="page${k}" draw:master-page-name="Default">${parts.join('')}</draw:page>`;
}

/**
 * Writes `slides` ({ title, paragraphs, bullets, table: rows of cells,
 * notes }) to `file` as a flat ODP deck whose text is in `language`.
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

module.exports = { writeFlatDeck };
