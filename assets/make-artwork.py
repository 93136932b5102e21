#!/usr/bin/env python3
"""Draws HopWise's backdrops and icon with ImageMagick: a night-blue field with the lines of a
globe and a hop arc over it. Run from anywhere; writes into the folder of this script."""
import math
import os
import shutil
import subprocess
import sys

OUT = os.path.dirname(os.path.abspath(__file__))
NAVY_TOP, NAVY_BOTTOM = "#17324a", "#0a1622"
GOLD = "#e3b95a"


def globe(cx, cy, r, stroke, width, meridians=6, parallels=(-60, -30, 0, 30, 60)):
    mvg = [f"stroke {stroke}", f"stroke-width {width}", "fill none",
           f"ellipse {cx},{cy} {r},{r} 0,360"]
    for k in range(1, (meridians + 1) // 2):
        rx = abs(r * math.cos(math.pi * k / meridians))
        mvg.append(f"ellipse {cx},{cy} {rx:.1f},{r} 0,360")
    mvg.append(f"line {cx},{cy - r} {cx},{cy + r}")
    for lat in parallels:
        y = cy + r * math.sin(math.radians(lat))
        half = r * math.cos(math.radians(lat))
        mvg.append(f"line {cx - half:.1f},{y:.1f} {cx + half:.1f},{y:.1f}")
    return mvg


def hop_arc(x0, y0, x1, y1, lift, stroke, width, head):
    # A quadratic arc from (x0,y0) up and over to (x1,y1), ending in an arrow head.
    mx, my = (x0 + x1) / 2, min(y0, y1) - lift
    mvg = [f"stroke {stroke}", f"stroke-width {width}", "fill none", "stroke-linecap round",
           f"path 'M {x0},{y0} Q {mx},{my} {x1},{y1}'"]
    # Direction of the curve at its end.
    dx, dy = x1 - mx, y1 - my
    n = math.hypot(dx, dy)
    dx, dy = dx / n, dy / n
    px, py = -dy, dx
    a = (x1 + dx * head * 0.4, y1 + dy * head * 0.4)
    b = (x1 - dx * head + px * head * 0.7, y1 - dy * head + py * head * 0.7)
    c = (x1 - dx * head - px * head * 0.7, y1 - dy * head - py * head * 0.7)
    mvg += [f"fill {stroke}", "stroke none",
            f"polygon {a[0]:.1f},{a[1]:.1f} {b[0]:.1f},{b[1]:.1f} {c[0]:.1f},{c[1]:.1f}"]
    return mvg


# Debian's own binary by its full name: a "convert" earlier on PATH may be something else.
CONVERT = shutil.which("convert-im6.q16") or shutil.which("convert")


def run(*args):
    subprocess.run([CONVERT, *map(str, args)], check=True)


def backdrop(name, w, h, gx, gy, gr, fmt_opts, glow=(0.75, 0.2)):
    """A vertical night gradient, a soft glow, faint globe lines and a gold rule at the foot."""
    mvg = globe(gx, gy, gr, "rgba(150,200,235,0.13)", max(1, w // 500))
    mvg += globe(gx, gy, gr * 0.985, "rgba(150,200,235,0.05)", max(1, w // 250))
    mvg += [f"stroke rgba(227,185,90,0.55)", "stroke-width 1",
            f"line 0,{h - 2} {w},{h - 2}"]
    gxw, gyh = int(w * glow[0]), int(h * glow[1])
    run("-size", f"{w}x{h}", f"gradient:{NAVY_TOP}-{NAVY_BOTTOM}",
        "(", "-size", f"{w}x{h}", "xc:none", "-fill", "rgba(80,150,200,0.35)",
        "-draw", f"circle {gxw},{gyh} {gxw + max(w, h) // 4},{gyh}", "-blur", f"0x{max(w, h) // 8}",
        ")", "-compose", "screen", "-composite",
        "-attenuate", "0.12", "+noise", "Gaussian",
        "-draw", "\n".join(mvg),
        "-strip", *fmt_opts, os.path.join(OUT, name))


def icon(name, size):
    s = size / 256
    r = int(36 * s)
    g = globe(128 * s, 140 * s, 78 * s, "#f4e6c0", max(1.5, 5 * s), meridians=4,
              parallels=(-40, 0, 40))
    arc = hop_arc(44 * s, 96 * s, 212 * s, 96 * s, 86 * s, GOLD, max(2, 13 * s), 30 * s)
    shadow = hop_arc(44 * s, 100 * s, 212 * s, 100 * s, 86 * s, "rgba(0,0,0,0.35)",
                     max(2, 13 * s), 30 * s)
    run("-size", f"{size}x{size}", "gradient:#2a6f97-#0d2b45",
        "(", "-size", f"{size}x{size}", "xc:none", "-fill", "white",
        "-draw", f"roundrectangle 6,6 {size - 7},{size - 7} {r},{r}", ")",
        "-compose", "copyopacity", "-composite", "-compose", "over",
        "-fill", "#1b4f72", "-stroke", "none",
        "-draw", f"circle {128 * s},{140 * s} {128 * s + 78 * s},{140 * s}",
        "-draw", "\n".join(g),
        "-blur", "0x0.4",
        "-draw", "\n".join(shadow), "-draw", "\n".join(arc),
        "-strip", "-depth", "8", "PNG32:" + os.path.join(OUT, name))


if __name__ == "__main__":
    icon("icon.png", 256)
    backdrop("main-backdrop.jpg", 1000, 800, 840, 640, 300, ["-quality", "80"])
    backdrop("browser-backdrop.jpg", 660, 600, 560, 500, 220, ["-quality", "80"])
    backdrop("about-backdrop.jpg", 330, 209, 280, 170, 110, ["-quality", "85"])
    backdrop("update-backdrop.jpg", 185, 81, 160, 70, 60, ["-quality", "88"], glow=(0.8, 0.1))
    backdrop("splash-backdrop.gif", 315, 67, 270, 60, 70, ["-colors", "64"], glow=(0.85, 0.0))
    print("artwork written to", OUT, file=sys.stderr)
