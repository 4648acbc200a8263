#!/usr/bin/python3
"""Writes the small drawings the converter's tests read, one per entity kind that the
extended reading brings in, with Debian's python3-ezdxf. The files are kept beside this
script; run it again (from anywhere) only to change them, and change the tests with
them: every number a test expects is written here.

    /usr/bin/python3 tests/dxf/data/make_drawings.py
"""
import math
import os
import sys

import ezdxf
from ezdxf.enums import TextEntityAlignment

HERE = os.path.dirname(os.path.abspath(__file__))


def new(version):
    doc = ezdxf.new(version)
    return doc, doc.modelspace()


def save(doc, name):
    doc.saveas(os.path.join(HERE, name))


def text():
    """TEXT placed four ways: plain and turned, centred at the middle, right-aligned
    and narrowed, and aligned between two points."""
    doc, msp = new("R2000")
    doc.layers.add("NOTES", color=2)
    msp.add_text("Plain", dxfattribs={"layer": "NOTES", "height": 1, "rotation": 30,
                                      "insert": (1, 2)})
    msp.add_text("Mid", dxfattribs={"layer": "NOTES", "height": 2}).set_placement(
        (10, 5), align=TextEntityAlignment.MIDDLE_CENTER)
    msp.add_text("Right", dxfattribs={"layer": "NOTES", "height": 1, "width": 0.5}).set_placement(
        (20, 0), align=TextEntityAlignment.RIGHT)
    msp.add_text("Fit", dxfattribs={"layer": "NOTES", "height": 1}).set_placement(
        (0, -5), (8, -5), align=TextEntityAlignment.ALIGNED)
    save(doc, "text.dxf")


def mtext():
    """Two MTEXTs: three paragraphs with formatting codes, top left, turned 90 degrees;
    one line in the middle of its box."""
    doc, msp = new("R2018")
    msp.add_mtext("First\\P{\\fArial|b1;Bold} line\\PA \\S1^2; %%d", dxfattribs={
        "insert": (2, 3), "char_height": 0.5, "attachment_point": 1, "rotation": 90,
        "color": 3})
    msp.add_mtext("Centre", dxfattribs={"insert": (10, 10), "char_height": 1,
                                        "attachment_point": 5})
    save(doc, "mtext.dxf")


def solid():
    """A four-cornered SOLID (corners in the format's order), a three-cornered one and a
    TRACE."""
    doc, msp = new("R12")
    msp.add_solid([(0, 0), (4, 0), (0, 3), (4, 3)], dxfattribs={"color": 1})
    msp.add_solid([(5, 0), (8, 0), (5, 3)], dxfattribs={"color": 5})
    msp.add_trace([(0, 4), (8, 4), (0, 5), (8, 5)], dxfattribs={"color": 3})
    save(doc, "solid.dxf")


def insert():
    """Block BOX (a square of lines round its base point (1, 1) and a circle) inserted
    turned and scaled, as a 3 x 2 array, and through block TWO, which holds two BOXes."""
    doc, msp = new("R12")
    doc.layers.add("PARTS", color=1)
    box = doc.blocks.new("BOX", base_point=(1, 1))
    corners = [(0, 0), (2, 0), (2, 2), (0, 2), (0, 0)]
    for a, b in zip(corners, corners[1:]):
        box.add_line(a, b, dxfattribs={"layer": "PARTS"})
    box.add_circle((1, 1), 0.5, dxfattribs={"layer": "PARTS", "color": 5})
    two = doc.blocks.new("TWO", base_point=(0, 0))
    two.add_blockref("BOX", (1, 1))
    two.add_blockref("BOX", (4, 1))
    msp.add_blockref("BOX", (10, 0), dxfattribs={"rotation": 45, "xscale": 2, "yscale": 2,
                                                  "layer": "PARTS"})
    msp.add_blockref("BOX", (20, 0), dxfattribs={"column_count": 3, "row_count": 2,
                                                  "column_spacing": 5, "row_spacing": 4,
                                                  "layer": "PARTS"})
    msp.add_blockref("TWO", (0, 20), dxfattribs={"layer": "PARTS"})
    save(doc, "insert.dxf")


def dimension():
    """A horizontal dimension of 10 units with its picture rendered into a block."""
    doc, msp = new("R2000")
    msp.add_line((0, 0), (10, 0))
    dim = msp.add_linear_dim(base=(0, 3), p1=(0, 0), p2=(10, 0))
    dim.render()
    save(doc, "dimension.dxf")


def ellipse():
    """A whole ellipse (radii 4 and 2) and the upper half of one turned 90 degrees."""
    doc, msp = new("R2000")
    msp.add_ellipse((0, 0), major_axis=(4, 0), ratio=0.5)
    msp.add_ellipse((10, 0), major_axis=(0, 3), ratio=0.5, start_param=0,
                    end_param=math.pi, dxfattribs={"color": 1})
    save(doc, "ellipse.dxf")


def spline():
    """A cubic spline of four control points (a clamped one: it starts and ends on them)
    and one through fit points only."""
    doc, msp = new("R2000")
    msp.add_open_spline([(0, 0), (2, 4), (6, 4), (8, 0)], degree=3)
    s = msp.add_spline(fit_points=[(0, -2), (3, -4), (6, -2), (9, -4)])
    s.control_points = []
    s.knots = []
    save(doc, "spline.dxf")


def hatch():
    """A solid square (0..10) with a square hole (3..7), both polyline paths; a solid
    disc of radius 2 at (15, 5) from an arc edge; a patterned hatch of a triangle, drawn
    as its outline."""
    doc, msp = new("R2018")
    h = msp.add_hatch(color=1)
    h.paths.add_polyline_path([(0, 0), (10, 0), (10, 10), (0, 10)], is_closed=True)
    h.paths.add_polyline_path([(3, 3), (7, 3), (7, 7), (3, 7)], is_closed=True)
    disc = msp.add_hatch(color=5)
    edges = disc.paths.add_edge_path()
    edges.add_arc((15, 5), 2, 0, 360)
    pattern = msp.add_hatch(color=3)
    pattern.set_pattern_fill("ANSI31", color=3, scale=0.5)
    pattern.paths.add_polyline_path([(20, 0), (26, 0), (23, 5)], is_closed=True)
    save(doc, "hatch.dxf")


def binary():
    """A binary drawing, which the converter refuses by name."""
    doc, msp = new("R2000")
    msp.add_line((0, 0), (1, 1))
    doc.saveas(os.path.join(HERE, "binary.dxf"), fmt="bin")


def fuzz_seed(name):
    """The BLOCKS and ENTITIES sections of a drawing without handles and subclass
    markers, as a small seed for the DXF fuzz target, padded with a comment to a
    length the target reads with the extended entities (not a multiple of 5)."""
    with open(os.path.join(HERE, name), encoding="cp1252") as f:
        lines = f.read().split("\n")
    groups = [(lines[i].strip(), lines[i + 1]) for i in range(0, len(lines) - 1, 2)]
    out, keep = [], False
    for i, (code, value) in enumerate(groups):
        if code == "0" and value == "SECTION":
            keep = groups[i + 1][1] in ("BLOCKS", "ENTITIES")
        if keep and code not in ("5", "330", "100", "102", "360"):
            out.append("%s\n%s\n" % (code, value))
    text = "".join(out) + "0\nEOF\n"
    while len(text.encode("cp1252")) % 5 == 0:
        text = "999\nseed\n" + text
    seed = os.path.join(HERE, "..", "..", "..", "fuzz", "corpus", "dxf_fuzz", name)
    with open(seed, "w", encoding="cp1252", newline="") as f:
        f.write(text)


if __name__ == "__main__":
    for make in (text, mtext, solid, insert, dimension, ellipse, spline, hatch, binary):
        make()
    for name in ("text.dxf", "mtext.dxf", "solid.dxf", "insert.dxf", "dimension.dxf",
                 "ellipse.dxf", "spline.dxf", "hatch.dxf"):
        fuzz_seed(name)
    sys.exit(0)
