#!/usr/bin/python3
"""Writes the tiny fixture fonts that the tests use (see README.md beside this script).

Run it after changing it and commit the fonts it writes:

    /usr/bin/python3 tests/data/fonts/make_fonts.py           # rewrite the fonts
    /usr/bin/python3 tests/data/fonts/make_fonts.py --check   # fail if a committed font differs

Needs fontTools (Debian: python3-fonttools). The output is byte-for-byte reproducible with one
fontTools version: timestamps are fixed and nothing depends on the clock or on dictionary order.
"""

import io
import os
import struct
import sys
import tempfile
import zlib

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import TTFont, newTable
from fontTools.ttLib.tables._c_m_a_p import cmap_format_4
from fontTools.ttLib.tables._k_e_r_n import KernTable_format_0
from fontTools.ttLib.tables.sbixGlyph import Glyph as SbixGlyph
from fontTools.ttLib.tables.sbixStrike import Strike as SbixStrike
from fontTools.ttLib.ttCollection import TTCollection

HERE = os.path.dirname(os.path.abspath(__file__))

# 2026-01-01, in seconds since 1904 (the head table's epoch); fixed so the output is reproducible.
TIMESTAMP = 3850329600

UNITS_PER_EM = 1000
ASCENT = 800
DESCENT = -200

# The characters every Font loads up front: letters, digits, 24 punctuation marks and space.
PUNCTUATION = "!@#$%^&*()-_+=~'`:;,./\\|"
PRELOAD = ("abcdefghijklmnopqrstuvwxyz" "ABCDEFGHIJKLMNOPQRSTUVWXYZ" "0123456789" + PUNCTUATION + " ")

# Advances in font units. At 18 px per em: A 12.006 -> 12, V 10.998 -> 11, B 10.008 -> 10,
# every other visible glyph 9 exactly, space 5.004 -> 5.
SPECIAL_ADVANCES = {"A": 667, "V": 611, "B": 556, " ": 278}
DEFAULT_ADVANCE = 500
KERN_AV = -56  # -1.008 px at 18 px per em; FT_KERNING_DEFAULT rounds it to -1 px.
# Deep enough to outweigh the advances: FT_KERNING_DEFAULT gives -26 px at 18 px per em (FreeType
# scales kerning by ppem / 25 below 25 px per em before rounding).
KERN_AV_DEEP = -2000

# A bitmap-only face (BDF): FreeType opens it, but it has no design units (units_per_EM 0).
BITMAP_FONT = """STARTFONT 2.1
FONT -Vennicor-Bitmap-Medium-R-Normal--8-80-75-75-C-60-ISO10646-1
SIZE 8 75 75
FONTBOUNDINGBOX 6 8 0 -1
STARTPROPERTIES 3
FONT_ASCENT 7
FONT_DESCENT 1
DEFAULT_CHAR 65
ENDPROPERTIES
CHARS 1
STARTCHAR A
ENCODING 65
SWIDTH 750 0
DWIDTH 6 0
BBX 6 8 0 -1
BITMAP
30
48
84
84
FC
84
84
00
ENDCHAR
ENDFONT
"""

# FreeType style flags come from OS/2 fsSelection (bit 0 italic, bit 5 bold, bit 6 regular);
# head.macStyle (bit 0 bold, bit 1 italic) says the same for readers without OS/2.
STYLES = {
    "Regular": (0x40, 0),
    "Bold": (0x20, 1),
    "Italic": (0x01, 2),
    "Bold Italic": (0x21, 3),
}


def glyph_name(char):
    if char == " ":
        return "space"
    return "uni%04X" % ord(char)


def triangle(advance, top):
    """A triangle on the baseline, 50 units in from both sides: no vertical edge, so the
    auto-hinter has no stem to move and leaves the advance at the rounded scaled value."""
    pen = TTGlyphPen(None)
    pen.moveTo((50, 0))
    pen.lineTo((advance // 2, top))
    pen.lineTo((advance - 50, 0))
    pen.closePath()
    return pen.glyph()


def empty_glyph():
    return TTGlyphPen(None).glyph()


def glyph_top(char):
    if char.isupper() or char.isdigit():
        return 700
    if char.islower():
        return 500
    return 300


def build_face(family, style, characters, full_name=None, ps_name=None, line_gap=100,
               kern=False, omit_full_name=False, kern_av=KERN_AV, weight=None,
               typographic_family=None, style_name=None, italic_angle=0, local_families=None):
    """Returns a TTFont with one triangle glyph for each of `characters` (space stays empty).
    `style` sets the style flags; `style_name` the name table's style where it says otherwise;
    `local_families` maps language tags to further family names."""
    characters = sorted(set(characters))
    names = [".notdef"] + [glyph_name(c) for c in characters]
    fb = FontBuilder(UNITS_PER_EM, isTTF=True)
    fb.font.recalcTimestamp = False
    fb.setupGlyphOrder(names)
    fb.setupCharacterMap({ord(c): glyph_name(c) for c in characters})

    glyphs = {".notdef": triangle(DEFAULT_ADVANCE, 700)}
    metrics = {".notdef": (DEFAULT_ADVANCE, 50)}
    for char in characters:
        advance = SPECIAL_ADVANCES.get(char, DEFAULT_ADVANCE)
        if char == " ":
            glyphs[glyph_name(char)] = empty_glyph()
            metrics[glyph_name(char)] = (advance, 0)
        else:
            glyphs[glyph_name(char)] = triangle(advance, glyph_top(char))
            metrics[glyph_name(char)] = (advance, 50)
    fb.setupGlyf(glyphs)
    fb.setupHorizontalMetrics(metrics)
    fb.setupHorizontalHeader(ascent=ASCENT, descent=DESCENT, lineGap=line_gap)

    fs_selection, mac_style = STYLES[style]
    style_name = style_name or style
    ps_name = ps_name or (family + "-" + style_name).replace(" ", "")
    name_strings = {
        "familyName": dict({"en": family}, **local_families) if local_families else family,
        "styleName": style_name,
        "uniqueFontIdentifier": ps_name,
        "psName": ps_name,
        "version": "Version 1.000",
    }
    if typographic_family:
        name_strings["typographicFamily"] = typographic_family
    if not omit_full_name:
        name_strings["fullName"] = full_name or (
            family if style_name == "Regular" else family + " " + style_name)
    fb.setupNameTable(name_strings, mac=False)
    os2_extra = {} if weight is None else {"usWeightClass": weight}
    fb.setupOS2(**os2_extra, sTypoAscender=ASCENT, sTypoDescender=DESCENT, sTypoLineGap=line_gap,
                usWinAscent=ASCENT, usWinDescent=-DESCENT, fsSelection=fs_selection,
                achVendID="VNCR", sxHeight=500, sCapHeight=700)
    fb.setupPost(italicAngle=italic_angle)
    fb.setupHead(unitsPerEm=UNITS_PER_EM, created=TIMESTAMP, modified=TIMESTAMP,
                 macStyle=mac_style, fontRevision=1.0)
    if kern:
        kern_table = newTable("kern")
        kern_table.version = 0
        subtable = KernTable_format_0()
        subtable.version = 0
        subtable.coverage = 1  # horizontal kerning
        subtable.format = 0
        subtable.kernTable = {(glyph_name("A"), glyph_name("V")): kern_av}
        kern_table.kernTables = [subtable]
        fb.font["kern"] = kern_table
    return fb.font


def square(left, bottom, right, top):
    pen = TTGlyphPen(None)
    pen.moveTo((left, bottom))
    pen.lineTo((left, top))
    pen.lineTo((right, top))
    pen.lineTo((right, bottom))
    pen.closePath()
    return pen.glyph()


# The fallback face: characters the metrics faces lack, one of them in colour.
OMEGA = "\u03a9"
GRINNING_FACE = "\U0001F600"
COLOR_ADVANCE = 1000
# Its palette: the square layer red, the triangle layer blue (red, green, blue, alpha in 0..1).
COLOR_PALETTE = [(1.0, 0.0, 0.0, 1.0), (0.0, 0.0, 1.0, 1.0)]


def build_color_face():
    """Vennicor Color: Omega (a plain triangle) and U+1F600 in colour (COLR version 0: a red
    square under a blue triangle), with Omega,Omega kerned like A,V. Omega gets the glyph index
    that V has in the metrics faces, so that kerning a fallback glyph against the main face's
    glyphs by index alone would show."""
    main_order = sorted(set(PRELOAD))
    omega_index = 1 + main_order.index("V")
    padding = ["pad%d" % i for i in range(1, omega_index)]
    names = [".notdef"] + padding + ["uni03A9", "u1F600", "u1F600.square", "u1F600.triangle"]
    fb = FontBuilder(UNITS_PER_EM, isTTF=True)
    fb.font.recalcTimestamp = False
    fb.setupGlyphOrder(names)
    fb.setupCharacterMap({ord(OMEGA): "uni03A9", ord(GRINNING_FACE): "u1F600"})
    glyphs = {".notdef": triangle(DEFAULT_ADVANCE, 700), "uni03A9": triangle(DEFAULT_ADVANCE, 700),
              "u1F600": square(100, 0, 900, 800), "u1F600.square": square(100, 0, 900, 800),
              "u1F600.triangle": triangle(COLOR_ADVANCE, 600)}
    metrics = {".notdef": (DEFAULT_ADVANCE, 50), "uni03A9": (DEFAULT_ADVANCE, 50),
               "u1F600": (COLOR_ADVANCE, 100), "u1F600.square": (COLOR_ADVANCE, 100),
               "u1F600.triangle": (COLOR_ADVANCE, 50)}
    for name in padding:
        glyphs[name] = empty_glyph()
        metrics[name] = (DEFAULT_ADVANCE, 0)
    fb.setupGlyf(glyphs)
    fb.setupHorizontalMetrics(metrics)
    fb.setupHorizontalHeader(ascent=ASCENT, descent=DESCENT, lineGap=100)
    fb.setupNameTable({"familyName": "Vennicor Color", "styleName": "Regular",
                       "uniqueFontIdentifier": "VennicorColor-Regular",
                       "psName": "VennicorColor-Regular", "version": "Version 1.000",
                       "fullName": "Vennicor Color"}, mac=False)
    fb.setupOS2(sTypoAscender=ASCENT, sTypoDescender=DESCENT, sTypoLineGap=100,
                usWinAscent=ASCENT, usWinDescent=-DESCENT, fsSelection=0x40,
                achVendID="VNCR", sxHeight=500, sCapHeight=700)
    fb.setupPost()
    fb.setupHead(unitsPerEm=UNITS_PER_EM, created=TIMESTAMP, modified=TIMESTAMP, macStyle=0,
                 fontRevision=1.0)
    fb.setupCOLR({"u1F600": [("u1F600.square", 0), ("u1F600.triangle", 1)]}, version=0)
    fb.setupCPAL([COLOR_PALETTE])
    kern_table = newTable("kern")
    kern_table.version = 0
    subtable = KernTable_format_0()
    subtable.version = 0
    subtable.coverage = 1
    subtable.format = 0
    subtable.kernTable = {("uni03A9", "uni03A9"): KERN_AV}
    kern_table.kernTables = [subtable]
    fb.font["kern"] = kern_table
    return fb.font


def png_bytes(width, height, pixel):
    """An RGBA PNG; pixel(x, y) gives (red, green, blue, alpha)."""
    rows = b"".join(b"\x00" + b"".join(bytes(pixel(x, y)) for x in range(width))
                    for y in range(height))

    def chunk(tag, data):
        crc = zlib.crc32(tag + data) & 0xFFFFFFFF
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", crc)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9))
            + chunk(b"IEND", b""))


STRIKE_PPEM = 40
BLACK_STAR = "\u2605"


def build_strike_face():
    """Vennicor Strike: a colour bitmap face without outlines (an sbix strike at 40 px, no glyf
    table), as emoji fonts are. Its only character, U+2605, is a 40 x 40 PNG, left half red and
    right half blue, standing on the baseline, advance 1000 units (one em)."""
    fb = FontBuilder(UNITS_PER_EM, isTTF=True)
    fb.font.recalcTimestamp = False
    fb.font.recalcBBoxes = False
    fb.setupGlyphOrder([".notdef", "uni2605"])
    fb.setupCharacterMap({ord(BLACK_STAR): "uni2605"})
    fb.setupGlyf({".notdef": empty_glyph(), "uni2605": empty_glyph()})
    fb.setupHorizontalMetrics({".notdef": (UNITS_PER_EM, 0), "uni2605": (UNITS_PER_EM, 0)})
    fb.setupHorizontalHeader(ascent=ASCENT, descent=DESCENT, lineGap=100)
    fb.setupNameTable({"familyName": "Vennicor Strike", "styleName": "Regular",
                       "uniqueFontIdentifier": "VennicorStrike-Regular",
                       "psName": "VennicorStrike-Regular", "version": "Version 1.000",
                       "fullName": "Vennicor Strike"}, mac=False)
    fb.setupOS2(sTypoAscender=ASCENT, sTypoDescender=DESCENT, sTypoLineGap=100,
                usWinAscent=ASCENT, usWinDescent=-DESCENT, fsSelection=0x40, achVendID="VNCR")
    fb.setupPost()
    fb.setupHead(unitsPerEm=UNITS_PER_EM, created=TIMESTAMP, modified=TIMESTAMP, macStyle=0,
                 fontRevision=1.0)
    sbix = newTable("sbix")
    sbix.version = 1
    sbix.flags = 1
    strike = SbixStrike(ppem=STRIKE_PPEM, resolution=72)
    image = png_bytes(STRIKE_PPEM, STRIKE_PPEM,
                      lambda x, y: (255, 0, 0, 255) if x < STRIKE_PPEM // 2 else (0, 0, 255, 255))
    strike.glyphs[".notdef"] = SbixGlyph(glyphName=".notdef")
    strike.glyphs["uni2605"] = SbixGlyph(glyphName="uni2605", graphicType="png ",
                                         originOffsetX=0, originOffsetY=0, imageData=image)
    sbix.strikes[STRIKE_PPEM] = strike
    fb.font["sbix"] = sbix
    # No outlines at all: FreeType then opens the face as bitmap-only.
    del fb.font["glyf"]
    del fb.font["loca"]
    return fb.font


# Hostile faces: what a modder's broken or malicious font may hold.
HUGE_EM = 16
HUGE_BOX = 32000
CJK_FIRST = 0x4E00
CJK_COUNT = 2000


def build_huge_boxes_face():
    """Vennicor Huge Boxes: a 16-unit em whose glyphs are 32,000-unit squares, 2,000 em wide at
    any size: no texture can hold one, and rendering one would take gigabytes."""
    names = [".notdef", "box"]
    fb = FontBuilder(HUGE_EM, isTTF=True)
    fb.font.recalcTimestamp = False
    fb.setupGlyphOrder(names)
    fb.setupCharacterMap({ord(c): "box" for c in PRELOAD if c != " "})
    fb.setupGlyf({".notdef": empty_glyph(), "box": square(0, 0, HUGE_BOX, HUGE_BOX)})
    fb.setupHorizontalMetrics({".notdef": (8, 0), "box": (8, 0)})
    fb.setupHorizontalHeader(ascent=12, descent=-4, lineGap=0)
    fb.setupNameTable({"familyName": "Vennicor Huge Boxes", "styleName": "Regular"}, mac=False)
    fb.setupOS2(sTypoAscender=12, sTypoDescender=-4, usWinAscent=12, usWinDescent=4,
                fsSelection=0x40, achVendID="VNCR")
    fb.setupPost()
    fb.setupHead(unitsPerEm=HUGE_EM, created=TIMESTAMP, modified=TIMESTAMP, macStyle=0,
                 fontRevision=1.0)
    return fb.font


def build_zigzag_face():
    """Vennicor Zigzag: the metrics faces' characters, every one a box whose bottom is a zigzag
    of 9,000 points, more edges than a multi-channel field takes."""
    names = [".notdef", "zigzag"]
    fb = FontBuilder(UNITS_PER_EM, isTTF=True)
    fb.font.recalcTimestamp = False
    fb.setupGlyphOrder(names)
    fb.setupCharacterMap({ord(c): "zigzag" for c in PRELOAD if c != " "})
    pen = TTGlyphPen(None)
    pen.moveTo((50, 700))
    teeth = 9000
    for k in range(teeth):
        pen.lineTo((50 + k * 400 // teeth, 10 * (k % 2)))
    pen.lineTo((450, 700))
    pen.closePath()
    fb.setupGlyf({".notdef": empty_glyph(), "zigzag": pen.glyph()})
    fb.setupHorizontalMetrics({".notdef": (DEFAULT_ADVANCE, 0), "zigzag": (DEFAULT_ADVANCE, 50)})
    fb.setupHorizontalHeader(ascent=ASCENT, descent=DESCENT, lineGap=0)
    fb.setupNameTable({"familyName": "Vennicor Zigzag", "styleName": "Regular"}, mac=False)
    fb.setupOS2(sTypoAscender=ASCENT, sTypoDescender=DESCENT, usWinAscent=ASCENT,
                usWinDescent=-DESCENT, fsSelection=0x40, achVendID="VNCR")
    fb.setupPost()
    fb.setupHead(unitsPerEm=UNITS_PER_EM, created=TIMESTAMP, modified=TIMESTAMP, macStyle=0,
                 fontRevision=1.0)
    return fb.font


def build_explosion_face():
    """Vennicor Explosion: the metrics face whose GSUB (ccmp, three lookups) turns every "x"
    into 32 of them three times over: 32,768 glyphs for one character, more than HarfBuzz lets
    a text grow to."""
    from fontTools.feaLib.builder import addOpenTypeFeaturesFromString
    font = build_face("Vennicor Explosion", "Regular", PRELOAD)
    x = glyph_name("x")
    many = " ".join([x] * 32)
    lookups = "".join("lookup grow%d { sub %s by %s; } grow%d;\n" % (i, x, many, i)
                      for i in range(3))
    feature = "feature ccmp { lookup grow0; lookup grow1; lookup grow2; } ccmp;\n"
    addOpenTypeFeaturesFromString(font, lookups + feature)
    return font


def build_many_glyphs_face():
    """Vennicor Many: the metrics face's characters plus 2,000 CJK ideographs from U+4E00, each a
    square of its own size, for atlases that fill many pages."""
    font = build_face("Vennicor Many", "Regular", PRELOAD)
    order = font.getGlyphOrder()
    cmap = {ord(c): glyph_name(c) for c in PRELOAD}
    glyf = font["glyf"]
    hmtx = font["hmtx"]
    for k in range(CJK_COUNT):
        name = "cjk%04d" % k
        order.append(name)
        glyf[name] = square(50, 0, 950 - (k % 7) * 20, 800 - (k % 5) * 20)
        hmtx[name] = (1000, 50)
        cmap[CJK_FIRST + k] = name
    font.setGlyphOrder(order)
    font["maxp"].numGlyphs = len(order)
    for table in font["cmap"].tables:
        table.cmap = dict(cmap)
    return font


def font_bytes(font):
    stream = io.BytesIO()
    font.save(stream)
    return stream.getvalue()


def collection_bytes(fonts):
    collection = TTCollection()
    # Round-trip each face so the collection holds plain loaded fonts.
    collection.fonts = [TTFont(io.BytesIO(font_bytes(font)), recalcTimestamp=False)
                        for font in fonts]
    stream = io.BytesIO()
    collection.save(stream, shareTables=True)
    return stream.getvalue()


LOOKUP_CHARACTERS = "AVB "


def build_symbol_face():
    """A face whose only character map is the symbol one (3,0): the preload set at U+F000 + c,
    as symbol fonts map their glyphs."""
    font = build_face("Vennicor Symbol", "Regular", PRELOAD)
    table = cmap_format_4(4)
    table.platformID = 3
    table.platEncID = 0
    table.language = 0
    table.cmap = {0xF000 + ord(c): glyph_name(c) for c in PRELOAD}
    font["cmap"].tables = [table]
    return font


# The variable face: one weight axis from 100 to 900; every glyph a bar whose stem and advance
# grow with the weight, so that both the images and the shaped advances tell the weight.
VARIABLE_WEIGHTS = (100, 900)
VARIABLE_STEMS = (60, 300)        # the bar's width at each end of the axis
VARIABLE_ADVANCES = (400, 800)
VARIABLE_INSTANCES = (("Thin", 100), ("Regular", 400), ("Bold", 700), ("Black", 900))


def build_variable_master(master):
    font = build_face("Vennicor Variable", "Regular", PRELOAD)
    stem = VARIABLE_STEMS[master]
    advance = VARIABLE_ADVANCES[master]
    glyf = font["glyf"]
    hmtx = font["hmtx"]
    for name in font.getGlyphOrder():
        if name == "space":
            hmtx[name] = (advance, 0)
            continue
        glyf[name] = square(50, 0, 50 + stem, 700)
        hmtx[name] = (advance, 50)
    return font


def build_variable_face():
    from fontTools.designspaceLib import AxisDescriptor, DesignSpaceDocument, SourceDescriptor
    from fontTools.designspaceLib import InstanceDescriptor
    from fontTools import varLib
    document = DesignSpaceDocument()
    axis = AxisDescriptor()
    axis.tag, axis.name = "wght", "Weight"
    axis.minimum, axis.default, axis.maximum = VARIABLE_WEIGHTS[0], VARIABLE_WEIGHTS[0], VARIABLE_WEIGHTS[1]
    document.addAxis(axis)
    for master, weight in enumerate(VARIABLE_WEIGHTS):
        source = SourceDescriptor()
        source.font = build_variable_master(master)
        source.name = "master%d" % master
        source.location = {"Weight": weight}
        document.addSource(source)
    for name, weight in VARIABLE_INSTANCES:
        instance = InstanceDescriptor()
        instance.styleName = name
        instance.familyName = "Vennicor Variable"
        instance.location = {"Weight": weight}
        instance.postScriptFontName = "VennicorVariable-" + name
        document.addInstance(instance)
    font, _, _ = varLib.build(document, exclude=["MVAR"])
    return font


def lookup_face(family, style, **options):
    return build_face(family, style, LOOKUP_CHARACTERS, **options)


def all_fonts():
    """Maps each fixture's path relative to this folder to its bytes."""
    files = {}

    # Faces opened by path: exact metrics, preload set, kerning.
    metrics = font_bytes(build_face("Vennicor Metrics", "Regular", PRELOAD, kern=True))
    files["VennicorMetrics.ttf"] = metrics
    files["VennicorMetrics-\u0144\u00e9.ttf"] = metrics  # non-ASCII file name, same face
    files["VennicorMetricsNegativeGap.ttf"] = font_bytes(build_face(
        "Vennicor Metrics Negative Gap", "Regular", PRELOAD, line_gap=-100, kern=True))
    files["VennicorMetricsNoKern.ttf"] = font_bytes(build_face(
        "Vennicor Metrics No Kern", "Regular", PRELOAD, kern=False))
    files["VennicorMetricsDeepKern.ttf"] = font_bytes(build_face(
        "Vennicor Metrics Deep Kern", "Regular", PRELOAD, kern=True, kern_av=KERN_AV_DEEP))
    files["VennicorColor.ttf"] = font_bytes(build_color_face())
    files["VennicorStrike.ttf"] = font_bytes(build_strike_face())
    files["VennicorSymbol.ttf"] = font_bytes(build_symbol_face())
    files["VennicorVariable.ttf"] = font_bytes(build_variable_face())
    files["VennicorBitmap.bdf"] = BITMAP_FONT.encode("ascii")
    files["NotAFont.ttf"] = bytes((i * 37 + 11) % 256 for i in range(256))
    files["hostile/VennicorHugeBoxes.ttf"] = font_bytes(build_huge_boxes_face())
    files["hostile/VennicorExplosion.ttf"] = font_bytes(build_explosion_face())
    files["hostile/VennicorMany.ttf"] = font_bytes(build_many_glyphs_face())
    files["hostile/VennicorZigzag.ttf"] = font_bytes(build_zigzag_face())

    # Faces for the installed-font lookup: the only folder the tests' fontconfig lists.
    for style in STYLES:
        files["installed/VennicorLookup-%s.ttf" % style.replace(" ", "")] = font_bytes(
            lookup_face("Vennicor Lookup", style))
    # A longer family under the same prefix, bold italic only, whose display name is shorter
    # than "Vennicor Lookup Bold Italic".
    files["installed/VennicorLookupExtended.ttf"] = font_bytes(lookup_face(
        "Vennicor Lookup Extended", "Bold Italic", full_name="Vennicor Lookup Extended"))
    # Several faces in one ".ttf": index 0 regular, 1 bold ("Heavy"), 2 bold again, 3 italic.
    files["installed/VennicorMulti.ttf"] = collection_bytes([
        lookup_face("Vennicor Multi", "Regular"),
        lookup_face("Vennicor Multi Heavy", "Bold", full_name="Vennicor Multi Heavy",
                    ps_name="VennicorMulti-Heavy"),
        lookup_face("Vennicor Multi", "Bold", ps_name="VennicorMulti-Bold"),
        lookup_face("Vennicor Multi", "Italic", ps_name="VennicorMulti-Italic"),
    ])
    # Upper-case extension.
    files["installed/VENNICORCAPITALS.TTF"] = font_bytes(lookup_face("Vennicor Capitals",
                                                                     "Regular"))
    # Readable faces under names the lookup must never open; only "Vennicor Shy Visible" is a
    # ".ttf".
    shy = font_bytes(lookup_face("Vennicor Shy", "Regular"))
    files["installed/VennicorShy.otf"] = shy
    files["installed/VennicorShy.pfb"] = shy
    files["installed/VennicorShy.ttc"] = collection_bytes([
        lookup_face("Vennicor Shy", "Regular", ps_name="VennicorShy-Collected"),
        lookup_face("Vennicor Shy", "Bold", ps_name="VennicorShy-CollectedBold")])
    files["installed/VennicorShyVisible.ttf"] = font_bytes(lookup_face("Vennicor Shy Visible",
                                                                       "Regular"))
    # A family name with letters outside ASCII, for case folding beyond ASCII.
    files["installed/VennicorLodz.ttf"] = font_bytes(lookup_face("Vennicor \u0141\u00f3d\u017a",
                                                                 "Regular",
                                                                 ps_name="VennicorLodz-Regular"))
    # No full name: the display name is family and style.
    files["installed/VennicorNameless-Bold.ttf"] = font_bytes(lookup_face(
        "Vennicor Nameless", "Bold", omit_full_name=True))
    # Weights of one family (typographic family "Vennicor Weights", OS/2 usWeightClass): the
    # shortest display names belong to the Thin and the Fat faces, but a search for the family
    # prefers the face of the style's usual weight (400 regular, 700 bold).
    weights = "Vennicor Weights"
    for style, name, weight in (("Regular", "Thin", 100), ("Regular", "Regular", 400),
                                ("Bold", "Fat", 900), ("Bold", "Bold", 700)):
        files["installed/VennicorWeights-%s.ttf" % name] = font_bytes(lookup_face(
            weights + ("" if name in ("Regular", "Bold") else " " + name), style,
            full_name=weights + " " + name, ps_name="VennicorWeights-" + name, weight=weight,
            typographic_family=weights))
    # Families found only beyond ".ttf": an ".otf" pair, a ".ttc" and an ".otc" collection.
    for style in ("Regular", "Bold"):
        files["installed/VennicorOtto-%s.otf" % style] = font_bytes(lookup_face(
            "Vennicor Otto", style, weight=400 if style == "Regular" else 700))
    files["installed/VennicorCased.ttc"] = collection_bytes([
        lookup_face("Vennicor Cased Condensed", "Regular", full_name="Vennicor Cased Condensed",
                    ps_name="VennicorCased-Condensed"),
        lookup_face("Vennicor Cased", "Regular", weight=400),
        lookup_face("Vennicor Cased", "Bold", weight=700)])
    files["installed/VennicorOrbit.otc"] = collection_bytes([
        lookup_face("Vennicor Orbit", "Regular", weight=400),
        lookup_face("Vennicor Orbit", "Italic", weight=400)])
    # Family names that no display name begins with: names in other languages (Japanese, Korean,
    # Greek with case), and a second face whose full name is the first face's, as in
    # WenQuanYi's collections.
    paired_names = {"ja": "\u30f4\u30a7\u30cb\u30b3\u30eb \u30da\u30a2",
                    "ko": "\ubca0\ub2c8\ucf54\ub974 \ud398\uc5b4",
                    "el": "\u0392\u03ad\u03bd\u03b9\u03ba\u03bf\u03c1"}
    files["installed/VennicorPaired.ttc"] = collection_bytes([
        lookup_face("Vennicor Paired", "Regular", weight=400, local_families=paired_names),
        lookup_face("Vennicor Paired Mono", "Regular", full_name="Vennicor Paired",
                    ps_name="VennicorPaired-Mono", weight=400,
                    local_families={"ja": "\u30f4\u30a7\u30cb\u30b3\u30eb \u7b49\u5e45"}),
        lookup_face("Vennicor Paired", "Bold", weight=700, local_families=paired_names)])
    # Weights and slants whose style flags do not say so (fsSelection "regular" alone), as
    # NanumSquareB.ttf: bold only by OS/2 weight, italic only by the post table's angle.
    for name, weight, angle in (("Regular", 400, 0), ("Bold", 700, 0), ("Fat", 800, 0),
                                ("Slanted", 400, -12), ("Bold Slanted", 700, -12)):
        files["installed/VennicorHefty-%s.ttf" % name.replace(" ", "")] = font_bytes(lookup_face(
            "Vennicor Hefty", "Regular", style_name=name, weight=weight, italic_angle=angle))
    return files


def main():
    check = "--check" in sys.argv[1:]
    stale = []
    for relative, data in sorted(all_fonts().items()):
        path = os.path.join(HERE, relative)
        if check:
            try:
                with open(path, "rb") as existing:
                    if existing.read() != data:
                        stale.append(relative)
            except FileNotFoundError:
                stale.append(relative)
            continue
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as out:
            out.write(data)
    if stale:
        print("Out of date (run make_fonts.py):", ", ".join(stale), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
