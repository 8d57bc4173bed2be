#include "report/report_page.hpp"

namespace chpimport::report {

const char* PageStyle() {
    return R"css(
:root {
  --fg: #1d2530; --muted: #5f6b7a; --line: #e3e7ed; --page: #f4f6f9; --card: #fff;
  --accent: #2563c9; --accent-2: #5b8def; --free: #eceff3; --warn: #a8520a; --warn-bg: #fff3e3;
  --bad: #b42318; --bad-bg: #fdecea; --quiet: #4b5563; --quiet-bg: #eef1f5;
}
* { box-sizing: border-box; }
body { margin: 0; background: var(--page); color: var(--fg);
  font: 14px/1.5 system-ui, -apple-system, "Segoe UI", Roboto, "Helvetica Neue", Arial, sans-serif; }
main { max-width: 1180px; margin: 0 auto; padding: 32px 28px 48px; }
header.top { margin-bottom: 20px; }
.eyebrow { margin: 0; color: var(--accent); font-size: 12px; font-weight: 600;
  letter-spacing: .08em; text-transform: uppercase; }
h1 { margin: 4px 0 2px; font-size: 26px; font-weight: 650; overflow-wrap: anywhere; }
h2 { margin: 0 0 14px; font-size: 16px; font-weight: 620; }
.path { margin: 0; color: var(--muted); font-size: 13px; overflow-wrap: anywhere; }
.notice { margin: 0 0 16px; padding: 10px 14px; border-radius: 8px; background: var(--bad-bg);
  color: var(--bad); font-weight: 550; }
.stats { display: grid; grid-template-columns: repeat(auto-fit, minmax(150px, 1fr)); gap: 12px;
  margin-bottom: 12px; }
.stat { background: var(--card); border: 1px solid var(--line); border-radius: 10px;
  padding: 12px 16px; }
.stat .label { display: block; color: var(--muted); font-size: 12px; }
.stat .value { display: block; margin-top: 2px; font-size: 20px; font-weight: 620;
  font-variant-numeric: tabular-nums; }
.stat .value.bad { color: var(--bad); }
.stat .value.warn { color: var(--warn); }
dl.files { display: grid; grid-template-columns: max-content 1fr; gap: 4px 16px; margin: 0 0 20px;
  padding: 12px 16px; background: var(--card); border: 1px solid var(--line); border-radius: 10px;
  font-size: 13px; }
dl.files dt { color: var(--muted); }
dl.files dd { margin: 0; overflow-wrap: anywhere; font-family: ui-monospace, "SF Mono", Consolas,
  "DejaVu Sans Mono", monospace; font-size: 12.5px; }
section.card { background: var(--card); border: 1px solid var(--line); border-radius: 10px;
  padding: 18px 20px; margin-bottom: 20px; }
svg.chipmap { display: block; width: 100%; overflow: visible; }
.chipmap .track { fill: #f9fafc; }
.chipmap .free { fill: var(--free); }
.chipmap .seg { fill: var(--accent); }
.chipmap .seg.alt { fill: var(--accent-2); }
.chipmap .seg.overlap, .chipmap .seg.past { fill: var(--bad); }
.chipmap .label { fill: #fff; font-size: 11px; font-weight: 600; text-anchor: middle; }
.chipmap .tick { fill: var(--muted); font-size: 11px; }
.chipmap .tick.end { text-anchor: end; }
.legend { display: flex; flex-wrap: wrap; gap: 6px 18px; margin-top: 10px; color: var(--muted);
  font-size: 12.5px; }
.legend i { display: inline-block; width: 10px; height: 10px; margin-right: 6px; border-radius: 2px;
  vertical-align: -1px; }
.legend .k-seg { background: var(--accent); }
.legend .k-overlap { background: var(--bad); }
.legend .k-free { background: var(--free); border: 1px solid var(--line); }
table { width: 100%; border-collapse: collapse; }
th { padding: 0 8px 8px; border-bottom: 1px solid var(--line); color: var(--muted); font-size: 11.5px;
  font-weight: 600; letter-spacing: .04em; text-align: left; text-transform: uppercase; }
td { padding: 8px; border-bottom: 1px solid var(--line); vertical-align: middle; }
.table-wrap { overflow-x: auto; }
tr:last-child td { border-bottom: 0; }
th.num, td.num { text-align: right; font-variant-numeric: tabular-nums; white-space: nowrap; }
td.name { font-weight: 560; white-space: nowrap; }
.sub { display: block; color: var(--muted); font-size: 12px; font-weight: 400; }
audio { display: block; width: 190px; height: 32px; }
svg.wave { display: block; width: 240px; height: 44px; border-radius: 4px; background: #f7f9fc; }
.wave .axis { stroke: var(--line); }
.wave .trace { stroke: var(--accent); shape-rendering: crispEdges; }
.wave.quiet .trace { stroke: #9aa5b4; }
td.notes { font-size: 12.5px; min-width: 170px; }
.note { margin: 2px 0; }
.badge { display: inline-block; margin-right: 6px; padding: 0 8px; border-radius: 999px;
  font-size: 11.5px; font-weight: 650; line-height: 19px; }
.badge.warn { background: var(--warn-bg); color: var(--warn); }
.badge.bad { background: var(--bad-bg); color: var(--bad); }
.badge.quiet { background: var(--quiet-bg); color: var(--quiet); }
.muted { color: var(--muted); }
tr.failed td { background: #fffafa; }
td.reason { color: var(--bad); overflow-wrap: anywhere; }
footer { color: var(--muted); font-size: 12px; text-align: center; }
/* A window 1000 pixels wide (a laptop's, a browser beside another) shows every column,
   the notes too, without sideways scrolling. */
@media (max-width: 1100px) {
  main { padding: 24px 14px 40px; }
  section.card { padding: 16px 12px; }
  td, th { padding-left: 6px; padding-right: 6px; }
  audio { width: 150px; }
  svg.wave { width: 170px; }
  td.notes { min-width: 140px; }
}
)css";
}

} // namespace chpimport::report
