#!/usr/bin/env python3
"""The customer's day in a few lines a person can read, from what
customer-bed.sh --day left in OUT_DIR: the host's dumps, the back office's
request log, the update server's effect on the installation. Exits 1 when a
step did not do its work, naming it. The Windows day under Wine
(scripts/windows.d/day.sh) leaves "wine.txt", why the LAN steps cannot run
there: those are shown as such, not failed; "host-missing.txt" says the host
was not there to play the day."""
import json
import re
import sys
from pathlib import Path

out = Path(sys.argv[1])
failures = []
rows = []
# Under Wine: why the steps that scan the LAN cannot run (empty on Linux).
wine = (out / "wine.txt").read_text(encoding="utf-8").strip() if (out / "wine.txt").exists() else ""


def read(name, default=""):
    p = out / name
    return p.read_text(encoding="utf-8", errors="replace") if p.exists() else default


def dump(name):
    try:
        return json.loads(read(name, "{}")).get("windows", [])
    except json.JSONDecodeError:
        return []


def controls(windows, ident, dialog=None):
    for w in windows:
        for c in w.get("controls", []):
            if c["id"] == ident and (dialog is None or c["dialog"] == dialog):
                yield c


def text(windows, ident, dialog=None):
    return next((c["text"] for c in controls(windows, ident, dialog) if c["visible"]), "")


def row(step, result, ok=True, why=""):
    rows.append((step, result, ok))
    if not ok:
        failures.append(f"{step}: {why or result}")


def wine_row(step, result):
    """A step Wine cannot do: shown with what the page said, not counted."""
    rows.append((step, f"{result}; not possible under Wine: {wine}", None))


requests = []
for line in read("backoffice.log").splitlines():
    try:
        requests.append(json.loads(line))
    except json.JSONDecodeError:
        pass


def received(op):
    return [r.get("in0") or "" for r in requests if r.get("operation") == op]


def field(xml, name):
    m = re.search(f"<{name}>(.*?)</{name}>", xml, re.S)
    return m.group(1).strip() if m else ""


times = {}
for line in read("times.txt").splitlines():
    what, rc, secs = line.split()
    times[what] = (int(rc), int(secs))
bits, rate_name = read("line.txt", "0 ?").split()
line_kb = int(bits) // 8 // 1024
if (out / "host-missing.txt").exists():
    failures.append("the host: " + read("host-missing.txt").strip())
# tbf meters whole frames: a TCP download carries at most 1448 of every 1514 bytes.
ceiling_kb = line_kb * 1448 // 1514

# 1. The host and the toolbox.
toolbox = dump("toolbox.json")
host = dump("host.json")
host_status = text(host, 105)
# The main window's plug-in buttons (200 on): a tool's catalogue name, else its library's.
libraries = [c["text"] for w in host if w.get("template") == 100 for c in w.get("controls", [])
             if c["kind"] == "button" and c["id"] >= 200 and c["text"]]
row("host ZEVAClient started with the installed plug-ins", f"{host_status} {'、'.join(libraries)}",
    len(libraries) >= 4)
tools = [c["text"] for c in controls(toolbox, 14101) if c["visible"] and c["text"]]
row("toolbox lists the tools", "、".join(tools) or "(none)", len(tools) >= 3)

# 2. The download test and its report.
download = dump("download.json")
speeds = received("setSpeedInfo")
if speeds:
    kb = int(field(speeds[-1], "ResponseRate") or 0)
    share = 100 * kb / line_kb if line_kb else 0
    if wine:
        row("speed test opened by the toolbox (message 1825), download test",
            f"{kb} KB/s reported = {kb * 8 / 1000:.1f} Mbit/s from nginx on loopback (no line to compare with)",
            kb > 0, "no rate reported")
    else:
        row("speed test opened by the toolbox (message 1825), download test",
            f"{kb} KB/s reported = {kb * 8 / 1000:.1f} Mbit/s on the {rate_name} line "
            f"({line_kb} KB/s, TCP ceiling {ceiling_kb} KB/s): {share:.0f} % of the line",
            90 <= share <= 103, "the reported rate does not match the line")
else:
    row("speed test opened by the toolbox (message 1825), download test",
        "the back office received no setSpeedInfo", False)
shared = text(dump("sharenet.json"), 1087, 14098)
expected_devices = len(read("lan-expected.txt").splitlines())
if wine:
    wine_row("report: who shares the line", shared or "(no count)")
else:
    row("report: who shares the line", shared or "(no count)",
        f"发现{expected_devices}台设备" in shared,
        f"expected the computer and {expected_devices - 1} devices (the router left out)")

# 3. The web-page test with an own address.
sites = received("setHttpInfo")
if sites:
    records = re.findall(r"<Http>(.*?)</Http>", sites[-1], re.S)
    parts = []
    for r in records:
        ok = field(r, "Result") == "1"
        parts.append(f"{field(r, 'Url')} {'ok' if ok else 'unreachable'}"
                     + (f" ({field(r, 'DNSIp')}, {field(r, 'HTTPTimeDelay')} ms)" if ok else ""))
    own = [r for r in records if field(r, "Url") == read("own-address.txt").strip()]
    row("web-page test, with the own address " + read("own-address.txt").strip(),
        "; ".join(parts), bool(own) and len(records) >= 5, "the own address was not tested")
else:
    row("web-page test", "the back office received no setHttpInfo", False)

# 4. The receipt.
finished = received("upFinish")
if finished:
    x = finished[-1]
    receipt_text = text(dump("receipt.json"), 32274)
    row("receipt closes a work order",
        f"{field(x, 'WorkListNum')} by {field(x, 'UserName')} ({field(x, 'Phone')}), measured {field(x, 'Speed')}, "
        f"{field(x, 'PCCount')} computers on the LAN; the back office answered: {receipt_text or '(nothing shown)'}",
        "回单成功" in receipt_text)
else:
    row("receipt closes a work order", "the back office received no upFinish", False)

# 5. The LAN check.
lan = dump("languard.json")
# Each device is a row dialog: name 13006, MAC 13003, maker 13005, address 13004.
shown = {}
current = None
for w in lan:
    for c in w.get("controls", []):
        if c["dialog"] != 13005:
            continue
        if c["id"] == 13006:
            current = {"name": c["text"]}
        elif current is not None and c["id"] in (13003, 13005, 13004):
            current[{13003: "mac", 13005: "maker", 13004: "ip"}[c["id"]]] = c["text"]
            if "ip" in current:
                shown[current["ip"]] = current
                current = None
names = dict(line.split(" ", 1) for line in read("lan-names.txt").splitlines() if " " in line)
vendors = {l.split(" ", 2)[0]: l.split(" ", 2)[2] for l in read("lan-expected.txt").splitlines()
           if l.count(" ") >= 2}
expected = set(vendors)
named = [ip for ip in names if shown.get(ip, {}).get("name") == names[ip]]
makers = [ip for ip in expected if shown.get(ip, {}).get("maker") == vendors[ip]]
if wine:
    wine_row("LAN check", "the page says: " + (text(lan, 13019) or text(lan, 13007) or "(nothing)"))
else:
    row("LAN check", f"{len(set(shown) & expected)} of {len(expected)} devices listed, "
        f"{len(named)} of {len(names)} with the names they answer to, {len(makers)} with their makers; "
        f"this computer: {next((d['name'] for d in shown.values() if d['ip'] not in expected), '?')}",
        expected <= set(shown) and len(named) == len(names) and len(makers) == len(expected),
        "devices, names or makers missing")

# 6. The toolbox's regional update, 7. the silent update and the restart, as
# the installation and the update server saw them.
update_requests = [m.group(1) for m in re.finditer(r'"GET (\S+) [^"]*" 200', read("provider-access.log"))]
signatures = [r for r in update_requests if r.endswith(".sig")]
before = dict(reversed(l.split("  ", 1)) for l in read("regional-before.txt").splitlines())
after = dict(reversed(l.split("  ", 1)) for l in read("regional-after.txt").splitlines())
changed = [f"{'+' if f not in before else '~'}{f}" for f in sorted(after) if before.get(f) != after[f]]
row("toolbox update of \"ProvincePlug\" to the province's new release",
    (", ".join(changed) or "nothing changed") + "; signature checked: "
    + (", ".join(dict.fromkeys(r for r in signatures if "config.ini" in r)) or "none"),
    any(c.startswith("+ZEVAPlug_Sample.") for c in changed) and any("config.ini" in r for r in signatures))
version = read("version-after.txt").strip()
restarted = dump("restarted.json")
status = text(dump("restarted-host.json"), 105)
new_tools = [c["text"] for c in controls(restarted, 14101) if c["visible"] and c["text"]]
row("ZEVASilentUpdate installs the signed main release 3.1.0.8 and starts the client again",
    f"Update/Version {version}; signature checked: "
    + (", ".join(dict.fromkeys(r for r in signatures if "UpdateConfig" in r)) or "none")
    + (f"; registry, as the installer wrote it (the silent form leaves it): "
       f"{', '.join(read('registry-after.txt').split())}"
       if read("registry-after.txt").strip() else "")
    + f"; the client says: {status or '(not seen)'}"
    + (f"; its toolbox: {'、'.join(new_tools)}" if new_tools else ""),
    version == "3.1.0.8" and status.startswith("已自动启动") and "插件示例" in new_tools
    and any("UpdateConfig.ini.sig" in r for r in signatures))

print("\n== The customer's day")
for i, (step, result, ok) in enumerate(rows, 1):
    print(f"{i:2} {'WINE  ' if ok is None else 'ok    ' if ok else 'FAILED'} {step}")
    print(f"          {result}")
ops = {}
for r in requests:
    ops[r.get("operation")] = ops.get(r.get("operation"), 0) + 1
print("   the back office received: " + ", ".join(f"{op} ×{n}" for op, n in ops.items()))
if "host" in times:
    print(f"   the host's day took {times['host'][1]} s, the evening's update and restart {times.get('restart', (0, 0))[1]} s")
if failures:
    print("\n".join("customer's day: FAILED " + f for f in failures), file=sys.stderr)
    sys.exit(1)
