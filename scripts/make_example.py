#!/usr/bin/env python3
"""Writes the bundled example presentation, examples/orvanta-tour.odp.

The deck is written as flat OpenDocument XML and saved as .odp by LibreOffice,
so every slide has a real title, a body, speaker notes on some slides and an
automatic advance time: the example exercises titles, notes and timings.

Usage: scripts/make_example.py   (needs soffice on the PATH)
"""
import os
import shutil
import subprocess
import tempfile
from xml.sax.saxutils import escape

SLIDES = [
    # (title, body lines, notes or None, seconds before the slide advances)
    ("Welcome to Orvanta",
     ["Presentations become Flash movies", "Every slide is a crisp JPEG picture", "A player is built into each movie"],
     "Greet the audience and say what the tool does in one sentence.", 4),
    ("Navigating a movie",
     ["NEXT and PREV on the panel", "Arrow keys, Space, Home and End", "P starts and pauses automatic playback"],
     None, 6),
    ("Timings and fades",
     ["Each slide keeps its own timing", "Or use one fixed interval", "Slides cross-fade in about a third of a second"],
     "Point out that this slide advances after three seconds.", 3),
    ("Publishing",
     ["A web page for every movie", "autorun.inf for a CD", "One movie per slide, named after its title"],
     "Close with the command line: orvanta-cli convert talk.ppt", 5),
]

HEAD = """<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-formatting-objects-compatible:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0"
 xmlns:smil="urn:oasis:names:tc:opendocument:xmlns:smil-compatible:1.0"
 office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.presentation">
 <office:automatic-styles>
  <style:page-layout style:name="PM1">
   <style:page-layout-properties fo:page-width="25.4cm" fo:page-height="19.05cm"/>
  </style:page-layout>
  <style:style style:name="band" style:family="graphic">
   <style:graphic-properties draw:fill="solid" draw:fill-color="#e76f51" draw:stroke="none"/>
  </style:style>
  <style:style style:name="dpMaster" style:family="drawing-page">
   <style:drawing-page-properties draw:fill="solid" draw:fill-color="#1d3557"/>
  </style:style>
{page_styles}
  <style:style style:name="Ptitle" style:family="paragraph">
   <style:text-properties fo:font-size="36pt" fo:font-weight="bold" fo:color="#ffffff"/>
  </style:style>
  <style:style style:name="Pbody" style:family="paragraph">
   <style:text-properties fo:font-size="26pt" fo:color="#e8eef7"/>
  </style:style>
  <style:style style:name="Ttitle" style:family="presentation">
   <style:graphic-properties draw:fill="none" draw:stroke="none"/>
   <style:text-properties fo:font-size="36pt" fo:font-weight="bold" fo:color="#ffffff" style:font-name="DejaVu Sans"/>
  </style:style>
  <style:style style:name="Tnotes" style:family="presentation">
   <style:text-properties fo:font-size="16pt"/>
  </style:style>
  <style:style style:name="Tbody" style:family="presentation">
   <style:graphic-properties draw:fill="none" draw:stroke="none"/>
   <style:text-properties fo:font-size="26pt" fo:color="#e8eef7" style:font-name="DejaVu Sans"/>
  </style:style>
 </office:automatic-styles>
 <office:master-styles>
  <style:master-page style:name="Default" style:page-layout-name="PM1" draw:style-name="dpMaster">
   <draw:rect draw:style-name="band" svg:x="0cm" svg:y="17.9cm" svg:width="25.4cm" svg:height="1.15cm"/>
  </style:master-page>
 </office:master-styles>
 <office:body>
  <office:presentation>
"""

TAIL = """  </office:presentation>
 </office:body>
</office:document>
"""


def page_style(index, seconds):
    return (f'  <style:style style:name="dp{index}" style:family="drawing-page">\n'
            f'   <style:drawing-page-properties draw:fill="solid" draw:fill-color="#1d3557" presentation:transition-type="automatic" '
            f'presentation:duration="PT{seconds}S" presentation:transition-speed="medium"/>\n'
            f'  </style:style>')


def page(index, title, lines, notes):
    items = "".join(f'<text:list-item><text:p text:style-name="Pbody">{escape(line)}</text:p></text:list-item>' for line in lines)
    out = [f'   <draw:page draw:name="page{index}" draw:style-name="dp{index}" draw:master-page-name="Default" '
           f'presentation:presentation-page-layout-name="AL1T1">',
           f'    <draw:frame presentation:style-name="Ttitle" presentation:class="title" svg:x="1.8cm" svg:y="1.2cm" '
           f'svg:width="21.8cm" svg:height="3.2cm"><draw:text-box><text:p text:style-name="Ptitle">{escape(title)}</text:p></draw:text-box></draw:frame>',
           f'    <draw:frame presentation:style-name="Tbody" presentation:class="outline" svg:x="1.8cm" svg:y="5.2cm" '
           f'svg:width="21.8cm" svg:height="11.5cm"><draw:text-box><text:list>{items}</text:list></draw:text-box></draw:frame>']
    if notes:
        out.append('    <presentation:notes>'
                   '<draw:page-thumbnail draw:layer="layout" svg:x="2cm" svg:y="1.5cm" svg:width="17cm" svg:height="12.75cm" presentation:class="page"/>'
                   '<draw:frame presentation:style-name="Tnotes" draw:layer="layout" presentation:class="notes" '
                   'svg:x="2cm" svg:y="14.5cm" svg:width="17cm" svg:height="10cm">'
                   f'<draw:text-box><text:p>{escape(notes)}</text:p></draw:text-box></draw:frame></presentation:notes>')
    out.append('   </draw:page>')
    return "\n".join(out) + "\n"


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    styles = "\n".join(page_style(i + 1, s[3]) for i, s in enumerate(SLIDES))
    body = "".join(page(i + 1, s[0], s[1], s[2]) for i, s in enumerate(SLIDES))
    xml = HEAD.replace("{page_styles}", styles) + body + TAIL
    with tempfile.TemporaryDirectory() as work:
        source = os.path.join(work, "orvanta-tour.fodp")
        with open(source, "w", encoding="utf-8") as f:
            f.write(xml)
        subprocess.run(["soffice", f"-env:UserInstallation=file://{work}/profile", "--headless",
                        "--convert-to", "odp", "--outdir", work, source],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.makedirs(os.path.join(root, "examples"), exist_ok=True)
        shutil.copy(os.path.join(work, "orvanta-tour.odp"), os.path.join(root, "examples", "orvanta-tour.odp"))
    print("wrote examples/orvanta-tour.odp")


if __name__ == "__main__":
    main()
