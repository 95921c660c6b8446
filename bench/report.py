#!/usr/bin/env python3
"""Turns the JSON of rd_bench (run with repetitions), and optionally that of rd_alloc and that of the live
workloads run at pixel ratio 1.5, into docs/performance.md on stdout."""
import json
import os
import platform
import statistics
import sys

# Display names of the workload families, in the report's order; a family without one shows its own name.
FAMILIES = {
    "line_solid": "one line, solid",
    "line_dotted": "one line, dotted",
    "line_squares": "one line, solid, square markers",
    "lines_20x10000": "20 lines x 10,000 points",
    "points_dot": "single points, dot markers (DrawPoint)",
    "line_zoomed_99pct_outside": "one line, zoomed: 99 % of segments outside",
    "display_axes": "CResultDisplay repaint: grid, labels, titles, no data",
    "display_20x10000": "CResultDisplay repaint: grid, labels, titles, 20 lines x 10,000 points",
    "display_unchanged_20x10000": "CResultDisplay repaint, nothing changed (copied back)",
    "matrix": "CRDMatrix repaint, N cells",
    "decimating_clean_solid": "clean sine, solid",
    "decimating_noisy_solid": "noisy sine, solid",
    "decimating_noisy_dotted": "noisy sine, dotted",
    "decimating_noisy_dashdotted": "noisy sine, dash-dotted",
    "decimating_clean_20x10000": "20 distinct clean sines x 10,000 points",
    "decimating_noisy_20x10000": "20 distinct noisy sines x 10,000 points",
    "decimating_clean_jittered": "clean sine, x jittered by 0.2 pixel",
    "decimating_noisy_jittered": "noisy sine, x jittered by 0.2 pixel",
    "decimating_markers_dot": "noisy sine, solid, dot markers",
    "decimating_markers_cross": "noisy sine, solid, cross markers",
    "decimating_markers_square": "noisy sine, solid, square markers",
    "decimating_band_clip": "4 noisy sines repainted under a band's move (clip of several rectangles)",
    "decimating_tracks_40colours": "5,000 tracks of 10 points, markers in 40 colours and 3 styles",
    "decimating_points_own_colours": "single dots, each in a colour of its own (DrawPoint)",
    "decimating_first_paint": "3 random walks (steps up to 32 px), one per line style, painted first in a new thread",
    "decimating_xy_walk": "x-y random walk, steps of 8 to 100 pixels",
    "decimating_xy_hysteresis": "noisy hysteresis loop, 10 cycles",
    "decimating_xy_sparse": "20 noisy sines, 1.5 vertices per pixel column",
    "decimating_xy_short": "x-y random walk, steps up to 32 pixels either way (every segment a shape)",
    "decimating_translucent": "2 noisy sines in translucent colours (alpha 160 and 96)",
}
# Every decimating workload also runs at these pixel ratios, as "<family>_dpr<ratio>", against its ratio-1 frame.
RATIOS = (("_dpr1.5", 1.5), ("_dpr2", 2.0))
FAMILIES = dict(item for family, text in FAMILIES.items()
                for item in [(family, text)] + ([(family + suffix, "%s, pixel ratio %g" % (text, ratio))
                                                 for suffix, ratio in RATIOS] if family.startswith("decimating_") else []))
# A frame at any ratio against the same frame at ratio 1.
RATIO_TARGET = 2.0
PLOT_FAMILIES = tuple(FAMILIES)[:6]
# Workloads timed per tick or per move rather than per frame against floors: their own section.
LIVE_FAMILIES = ("live", "band_drag")
LIVE_CONTENDERS = (("decimating_grid", "CRDDecimatingBoxGrid"), ("box_grid", "CRDBoxGridLayout"),
                   ("qcustomplot", "QCustomPlot"), ("qwt", "Qwt"))
# An unchanged repaint against QCustomPlot's; a band move against a frame at 60 Hz.
REPAINT_TARGET = 3.0
BAND_TARGET_MS = 1000.0 / 60
RIVALS = {
    "same_calls": "same calls",
    "polyline": "polyline",
    "box_grid": "box grid",
    "one_pass": "one pass",
    "full_repaint": "full repaint",
    "warm_frame": "warm frame",
    "ratio_1": "ratio 1",
    "qcustomplot": "QCustomPlot",
    "qwt": "Qwt",
}
CANDIDATES = {
    "no_clip": "no clip",
    "clip": "clip",
    "topainter": "toPainter",
    "replot": "replot + render",
    "renderer": "QwtPlotRenderer",
}
EXACT_COLUMNS = ("same_calls", "polyline", "qcustomplot", "qwt")
DECIMATING_COLUMNS = ("box_grid", "one_pass", "qcustomplot", "qwt")
SAME_CALLS_TARGET = 1.05
MATRIX_TARGET = 1.5
ZOOM_TARGET = 5.0
# The decimating grid against the fastest peer (library / QCustomPlot) and the marker cache against Qwt's.
PEER_TARGETS = (
    ("decimating_clean_solid/1000000", "qcustomplot", 1.0),
    ("decimating_noisy_solid/1000000", "qcustomplot", 1.0),
    ("decimating_noisy_20x10000/200000", "qcustomplot", 1.0),
    ("decimating_markers_dot/10000", "qwt", 1.0),
    ("decimating_markers_cross/10000", "qwt", 1.0),
    ("decimating_markers_square/10000", "qwt", 1.0),
)
# A repaint under a clip against the same lines' full repaint.
CLIP_TARGETS = tuple(("decimating_band_clip%s/4000000" % suffix, "full_repaint", 1.0)
                     for suffix in ("",) + tuple(suffix for suffix, _ in RATIOS))
# Markers in many colours and single points against the box grid.
MARKER_TARGETS = (("decimating_tracks_40colours/50000", "box_grid", 1.0),
                  ("decimating_points_own_colours/100000", "box_grid", 1.0))
# A first paint, which builds what the counted route keeps, against a warm one.
FIRST_PAINT_TARGETS = tuple(("decimating_first_paint%s/60000" % suffix, "warm_frame", 2.0)
                            for suffix in ("",) + tuple(suffix for suffix, _ in RATIOS))
# x-y data, on which counting helps least, against the box grid: never slower.
XY_TARGETS = tuple(("decimating_xy_%s%s/%d" % (shape, ratio, count), "box_grid", 1.0)
                   for shape, count in (("walk", 200000), ("hysteresis", 1000000), ("sparse", 24000),
                                        ("short", 20000))
                   for ratio in ("", "_dpr1.5"))
# A line whose x is jittered against the same line in order.
JITTER_TARGET = 2.0
JITTERED = (("decimating_clean_jittered/1000000", "decimating_clean_solid/1000000"),
            ("decimating_noisy_jittered/1000000", "decimating_noisy_solid/1000000"))


def cpu_model():
    try:
        with open("/proc/cpuinfo") as info:
            for line in info:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.processor() or "unknown"


def load_now():
    try:
        with open("/proc/loadavg") as loadavg:
            return ", ".join(loadavg.read().split()[:3])
    except OSError:
        return "unknown"


def ms(value):
    return "%.3g" % value if value < 100 else "%.0f" % value


def count_text(count):
    return "{:,}".format(int(count)) if count.isdigit() else count


class Row:
    """One workload's medians: the library and, per rival, its candidates and the fastest of them."""

    def __init__(self, name, aggregates):
        self.name = name
        self.family, _, self.count = name.partition("/")
        self.median = aggregates["median"]
        self.cv = aggregates.get("cv", {})
        self.rivals = {}
        for key, value in self.median.items():
            if not key.endswith("_ms") or key == "library_ms":
                continue
            variant = key[:-3]
            rival, _, candidate = variant.partition(".")
            self.rivals.setdefault(rival, {})[candidate] = (value, variant)

    def ratio(self, variant):
        return self.median["lib_per_" + variant]

    def winner(self, rival):
        """(candidate, ms, library / rival) of the rival's fastest candidate, or None. The fastest is
        the one with the highest library / candidate: compared within each repetition, under one
        load, rather than by medians of repetitions that ran under different loads."""
        candidates = self.rivals.get(rival)
        if not candidates:
            return None
        candidate, (value, variant) = max(candidates.items(), key=lambda item: self.ratio(item[1][1]))
        return candidate, value, self.ratio(variant)

    def spread(self, rival):
        won = self.winner(rival)
        if not won:
            return None
        variant = rival + ("." + won[0] if won[0] else "")
        return self.cv.get("lib_per_" + variant)


def cell_ms(row, rival):
    won = row.winner(rival)
    if not won:
        return "-"
    candidate, value, _ = won
    many = len(row.rivals[rival]) > 1
    return ms(value) + (" (%s)" % CANDIDATES.get(candidate, candidate) if many else "")


def cell_ratio(row, rival):
    won = row.winner(rival)
    return "%.3f" % won[2] if won else "-"


def load_aggregates(path):
    with open(path) as source:
        data = json.load(source)
    aggregates = {}
    for entry in data["benchmarks"]:
        if entry.get("run_type") != "aggregate" or entry["name"].startswith("solo/"):
            continue
        aggregates.setdefault(entry["run_name"], {})[entry["aggregate_name"]] = entry
    return data["context"], aggregates


def main(path, allocations_path=None, scaled_path=None):
    context, aggregates = load_aggregates(path)
    by_family = lambda name: LIVE_FAMILIES.index(name.split("/")[0])
    live = [(1.0, aggregates.pop(name)) for name in sorted(aggregates, key=order)
            if name.split("/")[0] in LIVE_FAMILIES]
    if scaled_path:
        _, scaled = load_aggregates(scaled_path)
        live += [(scaled[name]["median"].get("pixel_ratio", 1.5), scaled[name]) for name in sorted(scaled, key=order)
                 if name.split("/")[0] in LIVE_FAMILIES]
    live.sort(key=lambda item: by_family(item[1]["median"]["run_name"]))
    if not aggregates:
        sys.exit("report.py: no aggregates in %s (run with --benchmark_repetitions)" % path)
    rows = [Row(name, aggregates[name]) for name in sorted(aggregates, key=order)]
    exact = [row for row in rows if not row.family.startswith("decimating_")]
    decimating = [row for row in rows if row.family.startswith("decimating_")]
    repetitions = rows[0].median["repetitions"]
    peers = context.get("peers", "none")

    out = []
    say = out.append
    say("# Performance")
    say("")
    say("Written by `bench/run.sh`; do not edit by hand. Each workload renders a frame offscreen into a")
    say("1000x700 `QImage::Format_ARGB32_Premultiplied` with antialiasing, onto the device rectangle a")
    say("1000x700 `CResultDisplay` computes ((100, 100)-(900, 600)); the pixel-ratio-2 workloads into an")
    say("image of twice the pixels with `setDevicePixelRatio(2)`. The library and every rival paint in turn,")
    say("round by round, in a rotating order, so that all share the machine's load. Peers: %s." % peers)
    say("")
    say("## How to read")
    say("")
    say("- **library** is what ResultDisplay draws. A ratio is library / rival: below 1 the library is faster.")
    say("- **same calls** is a raw `QPainter` issuing exactly the library's primitives (one call per segment")
    say("  and per marker, with its pens) from precomputed integer coordinates, or for whole widgets replaying")
    say("  their recorded repaint. It is the floor of the primitives the library must issue.")
    say("- **polyline** is what a hand-rolled widget draws: one `drawPolyline` of the pre-mapped vertices per")
    say("  line, all markers in one call. Its joins differ from separate segments, so its pixels do too.")
    say("- A floor is timed in candidate set-ups: as it is (*no clip*) and with a clip rectangle that cuts")
    say("  nothing (*clip*), with which Qt's raster engine draws the same pixels faster. The fastest candidate")
    say("  of the run is the floor: the one with the highest library / candidate, as that compares them within")
    say("  each repetition. Its name is in brackets, and all candidates are listed below. At start-up")
    say("  every same-calls candidate is checked pixel for pixel against the library's image (and primitive")
    say("  by primitive against its recording), every polyline candidate against the other.")
    say("- **QCustomPlot** and **Qwt** draw the same data, colours, pen styles and marker shapes in the same")
    say("  device rectangle; the whole-widget workloads draw their own axes, grid, labels and titles. They")
    say("  decimate their own way, so their pixels differ; the bench checks only that they draw (at least a")
    say("  tenth of the library's ink). Each peer is timed in candidate set-ups too (see *Peers* below).")
    say("- The decimating grid's rivals: **box grid** is `CRDBoxGridLayout` drawing the same lines exactly, one")
    say("  primitive per segment; **one pass** maps every vertex with the grid's arithmetic and keeps its pixel")
    say("  column's lowest and highest row, drawing nothing: the least any decimation must do; **full repaint**")
    say("  is the library drawing the same lines with no clip, against which a repaint under a clip is held.")
    say("")
    say("Times are CPU milliseconds per frame of the painting thread, medians of %d repetitions. In each" % repetitions)
    say("round every variant paints one untimed frame and then as many timed frames as fit in about 20 ms")
    say("(at least one). Every frame starts from a canvas filled white (untimed), as a repaint starts from the")
    say("widget's background, and with the upper halves of the vector registers cleared: Qt's raster engine")
    say("leaves them dirty, which here slows plain SSE code after it several times over (one pass: 7.2 ms")
    say("instead of 1.2 after the box grid had painted). A ratio is the median of the per-repetition ratios;")
    say("*spread* is the coefficient of variation of library / same calls across the repetitions. On a shared")
    say("machine single timings vary by +-20 %; ratios within one run are steadier, and a ratio within a few")
    say("per cent of 1 is a tie.")
    say("")
    say("![Milliseconds per frame of the one-line workloads against N for the library, both floors and the "
        "peers, log10 on both axes, drawn with CResultDisplay](performance.png)")
    say("")
    say("## Box grid and widgets")
    say("")
    say("| workload | N | library ms | same calls ms | polyline ms | QCustomPlot ms | Qwt ms "
        "| / same calls | / polyline | / QCustomPlot | / Qwt | spread |")
    say("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|")
    for row in exact:
        spread = row.spread("same_calls")
        say("| %s | %s | %s | %s | %s |" % (
            FAMILIES.get(row.family, row.family), count_text(row.count), ms(row.median["library_ms"]),
            " | ".join(cell_ms(row, rival) for rival in EXACT_COLUMNS),
            " | ".join(cell_ratio(row, rival) for rival in EXACT_COLUMNS)
            + " | " + ("%.1f %%" % (100 * spread) if spread is not None else "-")))
    if decimating:
        say("")
        say("## Decimating grid")
        say("")
        say("`CRDDecimatingBoxGrid::DrawLine` on lines of many points per pixel column: the sine's noise is")
        say("normal with a sigma of 0.05 (about 8 pixels); a jittered line's x has a normal error of 0.2 pixel")
        say("columns, so its vertices are irregular and out of order. Twenty lines differ in phase and noise.")
        say("")
        say("| workload | N | library ms | box grid ms | one pass ms | QCustomPlot ms | Qwt ms "
            "| / box grid | / one pass | / QCustomPlot | / Qwt |")
        say("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|")
        for row in decimating:
            # Rows above ratio 1 without these rivals are in the pixel ratio table only.
            if not any(row.winner(rival) for rival in DECIMATING_COLUMNS):
                continue
            say("| %s | %s | %s | %s | %s |" % (
                FAMILIES.get(row.family, row.family), count_text(row.count), ms(row.median["library_ms"]),
                " | ".join(cell_ms(row, rival) for rival in DECIMATING_COLUMNS),
                " | ".join(cell_ratio(row, rival) for rival in DECIMATING_COLUMNS)))
    ratio_section(decimating, say)
    live_section(live, say)
    candidates_section(rows, say)
    peers_section(say)
    targets_section(exact, decimating, context, say)

    if allocations_path:
        allocations_section(allocations_path, say)

    say("")
    say("## Machine")
    say("")
    say("- CPU: %s, %d cores (%s)" % (cpu_model(), os.cpu_count() or 0, platform.machine()))
    say("- date: %s" % context.get("date", "unknown"))
    say("- Qt: %s; peers: %s" % (context.get("qt_version", "unknown"), peers))
    say("- load average at the start: %s; at the end of the report: %s"
        % (", ".join("%.2f" % v for v in context.get("load_avg", [])), load_now()))
    say("- build: %s" % context.get("resultdisplay_build", "unknown"))
    print("\n".join(out))


def ratio_section(decimating, say):
    """Each decimating workload's frames at ratios 1.5 and 2 against its frame at ratio 1, painted in the
    same rounds."""
    by_name = {row.name: row for row in decimating}
    lines = []
    for row in decimating:
        family = row.family
        for suffix, _ in RATIOS:
            family = family[:-len(suffix)] if family.endswith(suffix) else family
        name = "%s/%s" % (family, row.count)
        if any(name == line[0] for line in lines):
            continue
        cells = []
        for suffix, _ in RATIOS:
            scaled = by_name.get("%s%s/%s" % (family, suffix, row.count))
            won = scaled.winner("ratio_1") if scaled else None
            cells.append((scaled.median["library_ms"], won) if won else None)
        if any(cells):
            lines.append((name, family, row.count, cells))
    if not lines:
        return
    say("")
    say("## Pixel ratios")
    say("")
    say("Every decimating workload at pixel ratios 1.5 and 2 (a canvas of 1500x1050 and 2000x1400 pixels with its")
    say("ratio set), against its own frame at ratio 1, which each round paints in turn: CPU milliseconds per")
    say("frame, medians, then the frame / the ratio-1 frame of the same rounds. The first")
    say("paint rows paint in a new thread, which builds what the counted route keeps for that ratio.")
    say("")
    say("| workload | N | ratio 1 ms | ratio 1.5 ms | / ratio 1 | ratio 2 ms | / ratio 1 |")
    say("|---|---:|---:|---:|---:|---:|---:|")
    checks = []
    for name, family, count, cells in lines:
        parts = []
        for (suffix, ratio), cell in zip(RATIOS, cells):
            if not cell:
                parts += ["-", "-"]
                continue
            library, won = cell
            parts += [ms(library), "%.3f" % won[2]]
            checks.append("%s at pixel ratio %g: %.3f of its ratio-1 frame (target <= %.0fx): **%s**"
                          % (name, ratio, won[2], RATIO_TARGET, "holds" if won[2] <= RATIO_TARGET else "misses"))
        unscaled = by_name.get(name)
        say("| %s | %s | %s | %s |" % (FAMILIES.get(family, family), count_text(count),
                                       ms(unscaled.median["library_ms"]) if unscaled else "-", " | ".join(parts)))
    say("")
    for check in checks:
        say("- " + check)
    # What a first paint at a scaled ratio costs the painter alone: the box grid's frame there.
    notes = []
    for row in decimating:
        won = row.winner("box_grid") if row.family.startswith("decimating_first_paint") else None
        if won:
            notes.append("%s: the box grid's frame %s ms, the first paint / the box grid %.3f"
                         % (row.name, ms(won[1]), won[2]))
    if notes:
        say("")
        say("The first paint rows against the box grid's (warm) frame at the same ratio:")
        say("")
        for note in notes:
            say("- " + note)


def live_section(live, say):
    if not live:
        return
    say("")
    say("## Live display")
    say("")
    say("`live/4x200000` is a 1000x700 display of 4 channels of 200,000 samples each (20 kHz, 10 s) that")
    say("takes 1,000 new samples per channel a tick, drops as many old ones and follows the newest with its x")
    say("range: the library with `AppendLinePoints` and `DropLinePoints`, QCustomPlot with `add` and")
    say("`removeBefore` on its graphs' data, Qwt with a sample deque per curve. After each update every")
    say("contender is grabbed twice (`QWidget::grab`): the first grab is the rendering (QCustomPlot and Qwt")
    say("`replot` first), the second an unchanged repaint. `band_drag/4x1000000` repaints, into the image the")
    say("display was painted into, the region a rubber band's move exposes over 4 lines of 1,000,000 points.")
    say("CPU milliseconds per tick or move, medians; all contenders of a row take each tick in turn.")
    say("")
    say("| workload | pixel ratio | contender | data update | rendering | update + rendering "
        "| unchanged repaint | band move |")
    say("|---|---:|---|---:|---:|---:|---:|---:|")
    checks = []
    for ratio, entry in live:
        median = entry["median"]
        name = entry["median"]["run_name"]
        for key, label in LIVE_CONTENDERS:
            cells = [median.get(key + suffix) for suffix in ("_update_ms", "_render_ms", "_tick_ms", "_repaint_ms",
                                                            "_frame_ms")]
            if all(cell is None for cell in cells):
                continue
            say("| %s | %g | %s | %s |" % (name, ratio, label, " | ".join("-" if c is None else ms(c) for c in cells)))
        peer_tick, peer_repaint = median.get("qcustomplot_tick_ms"), median.get("qcustomplot_repaint_ms")
        for key, label in LIVE_CONTENDERS[:2]:
            tick, repaint, frame = (median.get(key + s) for s in ("_tick_ms", "_repaint_ms", "_frame_ms"))
            # The target is the decimating grid's: the box grid draws every segment.
            if tick is not None and peer_tick and key == "decimating_grid":
                checks.append("%s, pixel ratio %g, %s: update + rendering %s ms, QCustomPlot's %s ms (target: no "
                              "more): **%s**" % (name, ratio, label, ms(tick), ms(peer_tick),
                                                 "holds" if tick <= peer_tick else "misses"))
            if repaint is not None and peer_repaint:
                checks.append("%s, pixel ratio %g, %s: unchanged repaint %s ms, QCustomPlot's %s ms (target <= %gx): "
                              "**%s**" % (name, ratio, label, ms(repaint), ms(peer_repaint), REPAINT_TARGET,
                                          "holds" if repaint <= REPAINT_TARGET * peer_repaint else "misses"))
            if frame is not None:
                checks.append("%s, pixel ratio %g, %s: a band move %s ms (target <= %.1f ms, 60 per second): **%s**"
                              % (name, ratio, label, ms(frame), BAND_TARGET_MS,
                                 "holds" if frame <= BAND_TARGET_MS else "misses"))
    say("")
    for check in checks:
        say("- " + check)


def candidates_section(rows, say):
    say("")
    say("## Candidates")
    say("")
    say("Every candidate of every rival that has more than one: milliseconds per frame, then library /")
    say("candidate. The fastest (the highest ratio), which the tables above take, is in bold.")
    say("")
    say("| workload | N | candidates |")
    say("|---|---:|---|")
    for row in rows:
        parts = []
        for rival in sorted(row.rivals, key=lambda r: list(RIVALS).index(r) if r in RIVALS else len(RIVALS)):
            candidates = row.rivals[rival]
            if len(candidates) < 2:
                continue
            best = row.winner(rival)[0]
            parts.append("%s: %s" % (RIVALS.get(rival, rival), ", ".join(
                ("**%s %s / %.3f**" if candidate == best else "%s %s / %.3f")
                % (CANDIDATES.get(candidate, candidate), ms(value), row.ratio(variant))
                for candidate, (value, variant) in sorted(candidates.items(), key=lambda item: item[0]))))
        if parts:
            say("| %s | %s | %s |" % (FAMILIES.get(row.family, row.family), count_text(row.count), "; ".join(parts)))
    wins = {rival: {} for rival in RIVALS}
    for row in rows:
        for rival in row.rivals:
            if len(row.rivals[rival]) > 1:
                wins.setdefault(rival, {}).setdefault(row.winner(rival)[0], 0)
                wins[rival][row.winner(rival)[0]] += 1
    say("")
    for rival, counts in wins.items():
        if not counts:
            continue
        say("- %s: %s." % (RIVALS.get(rival, rival), ", ".join(
            "%s fastest in %d workload%s" % (CANDIDATES.get(c, c), n, "" if n == 1 else "s")
            for c, n in sorted(counts.items(), key=lambda item: -item[1]))))


def peers_section(say):
    say("")
    say("## Peers")
    say("")
    say("- **QCustomPlot**: one `QCustomPlot` of 1000x700 per workload, never shown, with one `QCPGraph` per")
    say("  line (one without a line for single points), data set once with `setData`, pen width 1 in the")
    say("  line's style with flat caps, antialiased graphs and scatters, adaptive sampling on (its default),")
    say("  plotting hints `phFastPolylines` and `phCacheLabels`. For the data-only workloads its axes and")
    say("  grid are hidden and the axis rectangle is the device rectangle; the whole-widget workloads show")
    say("  axes with 10 and 5 ticks, the titles and the grid, every element antialiased. Markers are")
    say("  `ssDisc` 3, `ssPlus` 9 (the library's cross is upright) and `ssSquare` 6. Candidates: `toPainter`")
    say("  on a `QCPPainter` on the canvas, or `replot` into its layer buffers and `QWidget::render`. A graph")
    say("  sorts its data by x, so it draws a jittered line in the order of x.")
    say("- **Qwt**: one `QwtPlotCurve` per line (style `Lines`, or `NoCurve` for single points), antialiased,")
    say("  pen width 1 with flat caps, paint attributes `ClipPolygons` and `FilterPoints` on (`ImageBuffer`")
    say("  serves the `Dots` style only), markers as `QwtSymbol` `Ellipse` 3, `Cross` 9 and `Rect` 6 with")
    say("  the `Cache` policy, which draws each marker from a pixmap. The data-only workloads call")
    say("  `QwtPlotCurve::draw` on the canvas's painter with scale maps of the device rectangle (candidates:")
    say("  no clip, clip); the whole-widget ones render a 1000x700 `QwtPlot` with a `QwtPlotGrid` through")
    say("  `QwtPlotRenderer`, or `replot` it and `QWidget::render` it.")


def targets_section(exact, decimating, context, say):
    checks = []
    for row in exact:
        won = row.winner("same_calls")
        if not won:
            continue
        if row.family in PLOT_FAMILIES and row.count.isdigit() and int(row.count) >= 10000:
            checks.append((row.name, won[2], SAME_CALLS_TARGET))
        elif row.family == "display_20x10000":
            checks.append((row.name, won[2], SAME_CALLS_TARGET))
        elif row.family == "matrix" and row.count == "10000":
            checks.append((row.name, won[2], MATRIX_TARGET))
    if not checks:
        return
    say("")
    say("## Targets")
    say("")
    for name, ratio, target in checks:
        verdict = "holds" if ratio <= target else "misses"
        say("- %s: library / same calls %.3f (target <= %.2f): **%s**" % (name, ratio, target, verdict))
    by_name = {row.name: row for row in exact}
    zoomed = by_name.get("line_zoomed_99pct_outside/1000000")
    if zoomed and zoomed.winner("same_calls")[2] > SAME_CALLS_TARGET:
        floor = zoomed.winner("same_calls")[1]
        library = zoomed.median["library_ms"]
        budget = (SAME_CALLS_TARGET - 1) * floor
        vertices = 1000000
        say("")
        say("  The zoomed line's same-calls floor paints only the ~10,000 visible segments from")
        say("  precomputed coordinates. The library must read, map and test all 1,000,000 vertices")
        say("  (24 MB) to find them: %.1f ns per vertex here. Within %.2fx, all of that would have to fit"
            % (1e6 * (library - floor) / vertices, SAME_CALLS_TARGET))
        mhz = context.get("mhz_per_cpu", 0)
        say("  in %.2f ms: %.2f ns per vertex, %.1f clock cycles at %d MHz, to load 24 bytes, map two"
            % (budget, 1e6 * budget / vertices, 1e3 * budget * mhz / vertices, mhz))
        say("  coordinates and test four edges. That cannot be met; the line's own target is the")
        say("  speedup against the unclipped line below.")
        say("")
    unclipped = by_name.get("line_solid/1000000")
    if zoomed and unclipped:
        speedup = unclipped.median["library_ms"] / zoomed.median["library_ms"]
        say("- zoomed 1,000,000-point line against the unclipped one: %.1fx faster (target >= %.0fx): **%s**"
            % (speedup, ZOOM_TARGET, "holds" if speedup >= ZOOM_TARGET else "misses"))
    by_name = {row.name: row for row in decimating}
    for name, rival, target in PEER_TARGETS:
        won = by_name[name].winner(rival) if name in by_name else None
        if won:
            say("- %s: library / %s %.3f (target <= %.2f): **%s**"
                % (name, RIVALS[rival], won[2], target, "holds" if won[2] <= target else "misses"))
    for name, rival, target in CLIP_TARGETS + MARKER_TARGETS + FIRST_PAINT_TARGETS + XY_TARGETS:
        won = by_name[name].winner(rival) if name in by_name else None
        if won:
            say("- %s: library / %s %.3f (target <= %.2f): **%s**"
                % (name, RIVALS[rival], won[2], target, "holds" if won[2] <= target else "misses"))
    for jittered, ordered in JITTERED:
        if jittered in by_name and ordered in by_name:
            ratio = by_name[jittered].median["library_ms"] / by_name[ordered].median["library_ms"]
            say("- %s: %.2fx the time of the line in order (target <= %.0fx): **%s**"
                % (jittered, ratio, JITTER_TARGET, "holds" if ratio <= JITTER_TARGET else "misses"))


def order(name):
    family, _, count = name.partition("/")
    families = list(FAMILIES)
    rank = families.index(family) if family in families else len(families)
    return (rank, family, int(count) if count.isdigit() else 0)


def allocations_section(path, say):
    with open(path) as source:
        counts = json.load(source)

    def least(entry, rival):
        values = [n for key, n in entry.items() if key == rival or key.startswith(rival + ".")]
        return min(values) if values else None

    say("")
    say("## Allocations per frame")
    say("")
    say("`rd_alloc` (built with the bench) replaces `malloc` and `operator new` with counting versions,")
    say("paints every variant twice to fill caches and counts the heap allocations of a third frame.")
    say("Qt allocates inside `drawText`, `drawPolyline` and dashed strokes, so the floors allocate too;")
    say("what the library adds is the difference to the same-calls floor (its candidate with fewer).")
    say("")
    say("| workload | N | library | same calls | polyline | box grid | QCustomPlot | Qwt | library - same calls |")
    say("|---|---:|---:|---:|---:|---:|---:|---:|---:|")
    for name, entry in sorted(counts.items(), key=lambda item: order(item[0])):
        family, _, n = name.partition("/")
        cells = [least(entry, rival) for rival in ("same_calls", "polyline", "box_grid", "qcustomplot", "qwt")]
        same = cells[0]
        say("| %s | %s | %d | %s | %s |" % (
            FAMILIES.get(family, family), count_text(n), entry["library"],
            " | ".join("-" if c is None else "%d" % c for c in cells),
            "-" if same is None else "%d" % (entry["library"] - same)))
    say("")

    def extra(name):
        entry = counts.get(name)
        same = least(entry, "same_calls") if entry else None
        return entry["library"] - same if same is not None else None

    def per_unit(small, large, unit):
        a, b = extra(small), extra(large)
        if a is None or b is None:
            return
        low, high = int(small.partition("/")[2]), int(large.partition("/")[2])
        say("- %s: the library adds %d allocations at %s and %d at %s: %.4f per %s." % (
            small.partition("/")[0], a, "{:,}".format(low), b, "{:,}".format(high),
            (b - a) / float(high - low), unit))

    per_unit("line_solid/1000", "line_solid/1000000", "vertex")
    per_unit("line_squares/1000", "line_squares/1000000", "vertex")
    per_unit("matrix/100", "matrix/10000", "cell")
    axes, display = extra("display_axes/0"), extra("display_20x10000/200000")
    if axes is not None and display is not None:
        say("- CResultDisplay: the plot without data adds %d allocations per repaint (`QWidget::render`, and" % axes)
        say("  per tick label its text and its measured width); 20 lines of 10,000 points add %d more, %d per"
            % (display - axes, (display - axes) // 20))
        say("  line, none per vertex.")
    decimating = {name: entry["library"] for name, entry in counts.items() if name.startswith("decimating_")}
    if decimating:
        say("- CRDDecimatingBoxGrid: %d to %d allocations per frame over its workloads (median %d)." % (
            min(decimating.values()), max(decimating.values()), statistics.median(decimating.values())))


if __name__ == "__main__":
    if len(sys.argv) not in (2, 3, 4):
        sys.exit("usage: report.py BENCH.json [ALLOCATIONS.json [SCALED.json]]")
    main(*sys.argv[1:])
