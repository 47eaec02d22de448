#!/usr/bin/python3
"""LibreOffice alone doing exactly orvanta's export: the floor of a conversion.

    bench/office_floor.py [--width W] [--height H] [--soffice PATH] DECK

Nothing of orvanta runs here. One headless LibreOffice starts with a private
profile, opens DECK as the program opens it, writes every slide as the
program's default export writes it, and quits. The figures it copies, from
src/pipeline/office/ (office_process.cpp, office_objects.cpp) and
src/movie/conversion_settings.h:
  - soffice --headless --invisible --norestore --nologo --nodefault
    --nolockcheck, a pipe connection, a fresh user profile;
  - loadComponentFromURL(..., "_blank", 0) with Hidden, ReadOnly,
    MacroExecutionMode 0, UpdateDocMode 0;
  - per slide com.sun.star.drawing.GraphicExportFilter, FilterName "BMP",
    FilterData PixelWidth x PixelHeight = Width x Height (640 x 480, the
    stored defaults with SharpFont 1), into Slide1.bmp, Slide2.bmp, ...;
  - the document closed, then the desktop terminated.
Prints the seconds from the start of soffice to its end, and the slide count.
Needs python3-uno (scripts/setup.sh installs it).
"""
import argparse
import os
import shutil
import subprocess
import tempfile
import time
import urllib.parse

import uno  # noqa: E402
from com.sun.star.beans import PropertyValue  # noqa: E402
from com.sun.star.connection import NoConnectException  # noqa: E402


def prop(name, value):
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


def file_url(path):
    return "file://" + urllib.parse.quote(os.path.abspath(path))


def connect(resolver, pipe, process, timeout=60.0):
    deadline = time.monotonic() + timeout
    while True:
        try:
            return resolver.resolve(f"uno:pipe,name={pipe};urp;StarOffice.ComponentContext")
        except NoConnectException:
            if process.poll() is not None or time.monotonic() > deadline:
                raise SystemExit("office_floor: LibreOffice did not accept the connection")
            time.sleep(0.02)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("deck")
    parser.add_argument("--width", type=int, default=640)
    parser.add_argument("--height", type=int, default=480)
    parser.add_argument("--soffice", default="/usr/lib/libreoffice/program/soffice")
    args = parser.parse_args()

    work = tempfile.mkdtemp(prefix="orvanta-floor-")
    pipe = "orvanta-floor-" + str(os.getpid())
    pictures = os.path.join(work, "slides")
    os.mkdir(pictures)
    start = time.monotonic()
    process = subprocess.Popen(
        [args.soffice, "--headless", "--invisible", "--norestore", "--nologo", "--nodefault", "--nolockcheck",
         f"--accept=pipe,name={pipe};urp;", "-env:UserInstallation=" + file_url(os.path.join(work, "profile"))],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
    try:
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
        context = connect(resolver, pipe, process)
        factory = context.ServiceManager
        desktop = factory.createInstanceWithContext("com.sun.star.frame.Desktop", context)
        document = desktop.loadComponentFromURL(
            file_url(args.deck), "_blank", 0,
            (prop("Hidden", True), prop("ReadOnly", True), prop("MacroExecutionMode", 0), prop("UpdateDocMode", 0)))
        if document is None:
            raise SystemExit(f"office_floor: LibreOffice cannot open {args.deck}")
        pages = document.getDrawPages()
        count = pages.getCount()
        size = uno.Any("[]com.sun.star.beans.PropertyValue",
                       (prop("PixelWidth", args.width), prop("PixelHeight", args.height)))
        for i in range(count):
            exporter = factory.createInstanceWithContext("com.sun.star.drawing.GraphicExportFilter", context)
            exporter.setSourceDocument(pages.getByIndex(i))
            target = os.path.join(pictures, f"Slide{i + 1}.bmp")
            descriptor = (prop("URL", file_url(target)), prop("FilterName", "BMP"), prop("FilterData", size))
            uno.invoke(exporter, "filter", (descriptor,))
        document.close(True)
        try:
            desktop.terminate()
        except Exception:  # the bridge goes down with LibreOffice: that is the success
            pass
        process.wait(timeout=30)
        seconds = time.monotonic() - start
        print(f"{seconds:.3f} s  {count} slides  {args.deck}")
    finally:
        if process.poll() is None:
            os.killpg(process.pid, 9)
            process.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
