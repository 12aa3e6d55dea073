#!/usr/bin/env python3
"""Install logs as the maker's installers leave them, for the INI store's round-trip tests,
the benchmarks and the server's reliability runs. Standard library only; the same
arguments and seed give the same bytes.

  genlog.py -o OUT [--size S|M|L] [--components N] [--items N] [--order sorted|shuffled]
            [--dups FRACTION] [--canon] [--queries N] [--seed N]

A log holds an "Install" section that links the top-level components, each component's
own section linking its sub-components, and the component's _FILES, _REG, _START and
_SPECIAL sections: files and folders, registry keys and values, start-menu entries (value
1 or 2) and named settings (key=text). --items counts the distinct items, links included.

  --order sorted     sections and keys in the store's order, each section once (default)
  --order shuffled   sections and keys in installation order: a section may come back
                     under a header in another case, and its keys come in any order
  --dups FRACTION    that share of the items is written again, later, often in another
                     case or with another value; the last one written is what counts

Files written:
  OUT          the log: CRLF lines, an empty line after each section
  OUT.canon    (--canon) the bytes the INI store's Save writes after reading OUT alone
  OUT.q        (unless --queries 0) N lookups "section<TAB>key<TAB>value", one a line,
               section and key as written in the log, the value that the last write gave
  OUT.qi       the same lookups with section and key in scrambled case
Lookups name only items whose value is neither "0" nor empty, so the install log's loader,
which drops "0", holds them too. The log is written last, and whole or not at all: a log
that exists is complete.
"""
import argparse
import os
import random
import sys

# (distinct items, components) of the named sizes: S for tests, M and L for benchmarks
# (about 6 MB and 63 MB).
SIZES = {"S": (10_000, 40), "M": (100_000, 400), "L": (1_000_000, 4_000)}

# Invented names, clear of the titles and keys that the install log's loader converts
# (installlog/LegacyTables.cpp), so that the server keeps a generated log as it was written.
STEMS = [
    "Lumaprint", "Faxwell", "Scanora", "Docubridge", "Colorvane", "Netquill", "Spoolwise",
    "Trayline", "Fontcraft", "Tonerwatch", "Labelsmith", "Copydesk", "Pagemill", "Inkstone",
    "Formset", "Archiva", "Mailroom", "Printdock", "Shareport", "Quickpost", "Vantel",
    "Ostrava", "Brightfax", "Cardmaker", "Photorama", "Reportex", "Tallybook", "Wordloom",
    "Linkmaster", "Presto",
]
FEATURES = [
    "Driver", "Utility", "Monitor", "Service", "Client", "Server", "Fonts", "Help", "Samples",
    "Sdk", "Lang", "Tools", "Viewer", "Plugins", "Update", "Agent", "Admin", "Templates",
    "Codecs", "Scanner", "Console", "Runtime", "Reports", "Backup", "Connector",
]
SYLLABLES = [
    "lum", "pri", "fax", "scan", "doc", "col", "net", "spo", "tray", "font", "ton", "lab",
    "copy", "page", "ink", "form", "arch", "mail", "dock", "share", "post", "van", "tel",
    "bri", "card", "pho", "rep", "tal", "word", "link", "mon", "svc", "cfg", "res", "ui",
    "core", "lang", "help", "util", "drv", "cmn", "gdi", "prn", "tbl", "map", "cache", "kor",
    "wiz", "inst", "data", "img", "pdf", "ocr", "rast", "vec", "job", "que", "stat",
]
EXTENSIONS = [
    ("dll", 30), ("exe", 6), ("sys", 2), ("inf", 2), ("cat", 2), ("hlp", 2), ("chm", 2),
    ("ini", 3), ("dat", 5), ("gpd", 3), ("ppd", 2), ("ttf", 3), ("txt", 3), ("htm", 8),
    ("gif", 6), ("bmp", 3), ("ico", 2), ("lng", 3), ("xml", 5), ("cab", 1), ("ocx", 2),
    ("drv", 2), ("ntf", 1), ("cfg", 2), ("icm", 2),
]
EXT_NAMES = [e for e, _ in EXTENSIONS]
EXT_CUMULATIVE = []
_total = 0
for _, _weight in EXTENSIONS:
    _total += _weight
    EXT_CUMULATIVE.append(_total)
SUBDIRS = ["bin", "lib", "help", "data", "lang", "res", "samples", "templates", "profiles",
           "drivers", "fonts", "images", "plugins", "docs", "config", "cache"]
LANGS = ["0409", "0407", "040C", "0410", "0411", "0C0A", "0413", "0416"]
START_ROOTS = [
    "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs",
    "C:\\Documents and Settings\\All Users\\Start Menu\\Programs",
]
BASE_ROOTS = ["C:\\Program Files\\Korvane", "C:\\Program Files (x86)\\Korvane", "C:\\Korvane",
              "D:\\Apps\\Korvane"]
HKLM = "HKEY_LOCAL_MACHINE"
HKCR = "HKEY_CLASSES_ROOT"
HKCU = "HKEY_CURRENT_USER"


class Component:
    def __init__(self, name, stem, parent, base_dir, start_dir, depth):
        self.name = name
        self.stem = stem
        self.parent = parent  # None: linked from "Install"
        self.base_dir = base_dir
        self.start_dir = start_dir
        self.depth = depth
        self.root_dir = parent.root_dir if parent else base_dir  # the product's folder


def scramble(text, rng):
    """text with the case of each ASCII letter chosen at random."""
    return "".join(c.upper() if rng.random() < 0.5 else c.lower() for c in text)


def guid(rng):
    v = rng.getrandbits(128)
    h = "%032X" % v
    return "{%s-%s-%s-%s-%s}" % (h[:8], h[8:12], h[12:16], h[16:20], h[20:])


class Maker:
    """Makes the distinct items of one log: a dict of sections, each a dict from the
    lower-cased key to [key, value], in the order the installers wrote them."""

    def __init__(self, rng):
        self.rng = rng
        self.sections = {}  # section name -> {lowered key: [key, value]}
        self.names = set()  # lower-cased component names in use

    def section(self, name):
        return self.sections.setdefault(name, {})

    def put(self, section, key, value):
        """Adds key unless the section holds it already (ignoring case); True if added."""
        items = self.section(section)
        low = key.lower()
        if low in items:
            return False
        items[low] = [key, value]
        return True

    def put_unique(self, section, make, value):
        """Adds the first of make(0), make(1), ... that the section does not hold yet."""
        attempt = 0
        while not self.put(section, make(attempt), value):
            attempt += 1

    # --- components and their tree ---

    def component_name(self, wanted):
        name, n = wanted, 2
        # "Crash" is the reliability run's own component: its check expects that section alone.
        while name.lower() in self.names or name.lower() in ("install", "crash"):
            name = "%s%d" % (wanted, n)
            n += 1
        self.names.add(name.lower())
        return name

    def make_components(self, count):
        rng = self.rng
        comps = []
        products = max(1, min(count, round(count * 0.15)))
        for i in range(products):
            stem = STEMS[i % len(STEMS)]
            name = self.component_name(stem)
            base = "%s\\%s" % (rng.choice(BASE_ROOTS), name)
            start = "%s\\Korvane\\%s" % (rng.choice(START_ROOTS), name)
            comps.append(Component(name, stem, None, base, start, 0))
        while len(comps) < count:
            parent = comps[rng.randrange(len(comps))]
            feature = rng.choice(FEATURES)
            if parent.depth >= 3 or feature in parent.name:
                continue
            name = self.component_name(parent.name + feature)
            if feature == "Fonts":
                base = "C:\\Windows\\Fonts"
            elif feature == "Driver":
                base = "C:\\Windows\\System32\\spool\\drivers\\x64\\3"
            else:
                base = "%s\\%s" % (parent.root_dir, feature)
            child = Component(name, parent.stem, parent, base,
                              "%s\\%s" % (parent.start_dir, feature), parent.depth + 1)
            comps.append(child)
        return comps

    # --- the items of one component ---

    def file_word(self, style, n):
        rng = self.rng
        word = "".join(rng.choice(SYLLABLES) for _ in range(rng.choice((1, 2, 2, 3))))
        if n or rng.random() < 0.3:
            word += str(n or rng.randrange(100))
        if style == 1:
            return word.upper()
        if style == 2:
            return word[0].upper() + word[1:]
        return word

    def extension(self):
        r = self.rng.random() * EXT_CUMULATIVE[-1]
        for i, edge in enumerate(EXT_CUMULATIVE):
            if r < edge:
                return EXT_NAMES[i]
        return EXT_NAMES[-1]

    def add_files(self, comp, count):
        """count items in comp_FILES: its folders (value 2) and the files in them (1)."""
        if count <= 0:
            return
        rng = self.rng
        section = comp.name + "_FILES"
        style = rng.choice((0, 0, 1, 2))  # lower, UPPER (older installers) or Capitalised
        cDirs = max(1, count // 30)
        dirs = [comp.base_dir]
        self.put(section, comp.base_dir, "2")
        shallow = [comp.base_dir]  # folders that may get subfolders: two levels at most
        while len(dirs) < cDirs:
            parent = rng.choice(shallow)
            sub = rng.choice(SUBDIRS) if parent == comp.base_dir else self.file_word(style, 0)
            if style == 1:
                sub = sub.upper()
            path = "%s\\%s" % (parent, sub)
            if self.put(section, path, "2"):
                dirs.append(path)
                if parent == comp.base_dir:
                    shallow.append(path)
        shared = "C:\\Program Files\\Common Files\\Korvane"
        for i in range(count - cDirs):
            r = rng.random()
            if r < 0.05:
                folder = "C:\\Windows\\System32"
            elif r < 0.08:
                folder = shared
            else:
                folder = dirs[rng.randrange(len(dirs))]

            def make(attempt, folder=folder):
                ext = self.extension()
                word = self.file_word(style, attempt * 7 if attempt else 0)
                if style == 1:
                    ext = ext.upper()
                return "%s\\%s.%s" % (folder, word, ext)

            self.put_unique(section, make, "1")

    def add_registry(self, comp, count):
        """count items in comp_REG: keys the install made (1) and values it added (2)."""
        rng = self.rng
        section = comp.name + "_REG"
        product = "%s\\SOFTWARE\\Korvane\\%s" % (HKLM, comp.name)
        prog = "%s.%s" % (comp.stem, comp.name[len(comp.stem):] or "Document")
        fixed = [product, product + "\\Settings", product + "\\Install"]
        for key in fixed[:count]:
            self.put(section, key, "1")
        for i in range(count - min(count, len(fixed))):
            r = rng.random()
            if r < 0.25:
                clsid = guid(rng)
                make = lambda a, c=clsid: "%s\\CLSID\\%s%s" % (
                    HKCR, c, ("", "\\InprocServer32", "\\ProgID", "\\LocalServer32")[a % 4])
                value = "1"
            elif r < 0.35:
                make = lambda a, g=guid(rng): "%s\\%s\\%s" % (
                    HKCR, ("TypeLib", "Interface")[a % 2], g)
                value = "1"
            elif r < 0.45:
                make = lambda a, n=rng.randrange(1, 20): "%s\\%s.%d" % (HKCR, prog, n + a)
                value = "1"
            elif r < 0.70:
                leaf = rng.choice(("Profiles\\Profile", "Devices\\Port", "Forms\\Form",
                                   "Options\\Page", "Queues\\Queue"))
                make = lambda a, l=leaf, n=rng.randrange(10000): "%s\\%s%04d" % (
                    product, l, n + a)
                value = "1"
            elif r < 0.88:
                folder = comp.base_dir
                make = lambda a, f=folder: ("%s\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion"
                                            "\\SharedDLLs\\%s\\%s.dll") % (
                    HKLM, f, self.file_word(0, a))
                value = "2"
            elif r < 0.94:
                make = lambda a, n=rng.randrange(100): (
                    "%s\\Software\\Korvane\\%s\\Recent\\File%d" % (HKCU, comp.name, n + a))
                value = "2"
            else:
                make = lambda a: "%s\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\%s%s" % (
                    HKLM, comp.name, "" if a == 0 else str(a))
                value = "2"
            self.put_unique(section, make, value)

    def add_start(self, comp, count):
        """count items in comp_START: the start-menu folder (2) and its shortcuts (1)."""
        if count <= 0:
            return
        rng = self.rng
        section = comp.name + "_START"
        self.put(section, comp.start_dir, "2")
        titles = ["%s %s" % (comp.stem, comp.name[len(comp.stem):] or "Setup"), "Read Me",
                  "Uninstall %s" % comp.stem, "%s Help" % comp.stem, "Release Notes"]
        for i in range(count - 1):
            if i < len(titles):
                make = lambda a, t=titles[i]: "%s\\%s%s.lnk" % (
                    comp.start_dir, t, "" if a == 0 else " (%d)" % a)
            elif rng.random() < 0.1:
                make = lambda a: "C:\\Users\\Public\\Desktop\\%s%s.lnk" % (
                    comp.name, "" if a == 0 else " %d" % a)
            else:
                make = lambda a, n=i: "%s\\Sample %d.lnk" % (comp.start_dir, n + a * 1000)
            self.put_unique(section, make, "1")

    def add_special(self, comp, count, has_start):
        rng = self.rng
        section = comp.name + "_SPECIAL"
        settings = [
            ("BaseDir", comp.base_dir),
            ("Version", "7.%d.%d.%d" % (rng.choice((2, 3, 3)), rng.randrange(10),
                                        rng.randrange(1, 400))),
            ("InstallDate", "%04d-%02d-%02d" % (rng.randrange(2001, 2012), rng.randrange(1, 13),
                                                rng.randrange(1, 29))),
            ("Language", rng.choice(LANGS)),
            ("ProductCode", guid(rng)),
        ]
        if has_start:
            settings.insert(1, ("BaseGroup", comp.start_dir))
        if comp.name.endswith(("Service", "Agent", "Monitor")):
            settings.insert(1, ("ServiceName", "Kor" + comp.name))
        for key, value in settings[:count]:
            self.put(section, key, value)
        for i in range(count - len(settings)):
            self.put_unique(section, lambda a, n=i: "Option%d" % (n + a * 1000),
                            rng.choice(("Yes", "No", "Auto", "%d" % rng.randrange(1, 100))))


def spread(total, weights, floor):
    """total split in proportion to weights, each share at least floor; sums to total."""
    rest = total - floor * len(weights)
    whole = sum(weights)
    raw = [rest * w / whole for w in weights]
    shares = [int(x) for x in raw]
    order = sorted(range(len(raw)), key=lambda i: raw[i] - shares[i], reverse=True)
    for i in order[:rest - sum(shares)]:
        shares[i] += 1
    return [floor + s for s in shares]


def make_log(items, components, seed):
    """The distinct items of a log: {section: {lowered key: [key, value]}}."""
    rng = random.Random(seed)
    maker = Maker(rng)
    comps = maker.make_components(components)
    # Each component's link, and at least its BaseDir and one file.
    if items < 3 * components:
        sys.exit("genlog: --items must be at least three times --components")
    for comp in comps:
        parent = comp.parent.name if comp.parent else "Install"
        maker.put(parent, comp.name, "1")
    # A few components hold most of the files, as a driver package or a font set does.
    weights = [rng.lognormvariate(0.0, 1.0) for _ in comps]
    budgets = spread(items - components, weights, 2)
    for comp, budget in zip(comps, budgets):
        cSpecial = min(budget - 1, 2 + rng.randrange(4))
        rest = budget - cSpecial
        cStart = 0
        if rest >= 8 and rng.random() < 0.6:
            cStart = max(2, round(rest * 0.03))
        cReg = round((rest - cStart) * 0.2)
        cFiles = rest - cStart - cReg
        maker.add_special(comp, cSpecial, cStart > 0)
        maker.add_files(comp, cFiles)
        maker.add_registry(comp, cReg)
        maker.add_start(comp, cStart)
    return maker.sections


# --- order and repeats: the lines of the log ---

def case_variant(text, rng):
    r = rng.random()
    if r < 0.4:
        return text.lower()
    if r < 0.7:
        return text.upper()
    return scramble(text, rng)


def repeat_value(value, rng):
    """The value a later write gives: mostly the same, else the other number, or "0"."""
    r = rng.random()
    if value in ("1", "2"):
        if r < 0.5:
            return value
        if r < 0.85:
            return "2" if value == "1" else "1"
        return "0"
    return value if r < 0.5 else value + ";%d" % rng.randrange(1000)


def make_lines(sections, order, dups, seed):
    """The log as runs: [(header text, [(key, value), ...]), ...] in file order."""
    rng = random.Random(seed * 7919 + 1)
    runs = []
    for name, items in sections.items():
        lines = []
        for key, value in items.values():
            lines.append((key, value))
            if dups and rng.random() < dups:
                for _ in range(2 if rng.random() < 0.2 else 1):
                    again = key if rng.random() < 0.4 else case_variant(key, rng)
                    lines.append((again, repeat_value(value, rng)))
        runs.append((name, lines))
    if order == "sorted":
        runs.sort(key=lambda run: run[0].lower())
        # Sorted keys; a repeat stays right after the line it repeats (the sort is stable).
        return [(name, sorted(lines, key=lambda kv: kv[0].lower())) for name, lines in runs]
    # Installation order: each section's lines shuffled, some sections in several parts that
    # come back under a header in another case, all parts in any order.
    parts = []
    for name, lines in runs:
        rng.shuffle(lines)
        cParts = 1 if rng.random() < 0.7 else min(len(lines), 2 + rng.randrange(3))
        cuts = sorted(rng.sample(range(1, len(lines)), cParts - 1)) if cParts > 1 else []
        bounds = [0] + cuts + [len(lines)]
        for i in range(cParts):
            header = name if rng.random() < 0.8 else case_variant(name, rng)
            parts.append((header, lines[bounds[i]:bounds[i + 1]]))
    rng.shuffle(parts)
    return parts


def log_text(runs):
    out = []
    for header, lines in runs:
        out.append("[%s]\r\n" % header)
        out.extend("%s=%s\r\n" % kv for kv in lines)
        out.append("\r\n")
    return "".join(out)


def read_as_store(runs):
    """What the INI store holds after reading the log: sections by lower-cased name, named
    as first met; keys lower-cased; the last line of a key gives its value. Also the key
    text as last written, for the lookups."""
    store = {}
    for header, lines in runs:
        entry = store.get(header.lower())
        if entry is None:
            entry = store[header.lower()] = (header, {})
        items = entry[1]
        for key, value in lines:
            items[key.lower()] = (key, value)
    return store


def canon_text(store):
    out = []
    for low in sorted(store):
        name, items = store[low]
        out.append("[%s]\r\n" % name)
        out.extend("%s=%s\r\n" % (k, items[k][1]) for k in sorted(items))
        out.append("\r\n")
    return "".join(out)


def queries(store, count, seed):
    rng = random.Random(seed * 104729 + 2)
    pool = [(name, key, value) for name, items in store.values()
            for key, value in items.values() if value not in ("", "0")]
    pool.sort(key=lambda q: (q[0].lower(), q[1].lower()))  # independent of dict order
    if count <= len(pool):
        picked = rng.sample(pool, count)
    else:
        picked = [rng.choice(pool) for _ in range(count)]
    exact = "".join("%s\t%s\t%s\n" % q for q in picked)
    scrambled = "".join("%s\t%s\t%s\n" % (scramble(s, rng), scramble(k, rng), v)
                        for s, k, v in picked)
    return exact, scrambled


def write(path, text):
    tmp = path + ".part"
    with open(tmp, "wb") as f:
        f.write(text.encode("ascii"))  # ASCII only: the order is then the same in any code page
    os.replace(tmp, path)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("-o", "--output", required=True, help="the log to write")
    parser.add_argument("--size", choices=sorted(SIZES), default="M",
                        help="S: 10,000 items, M: 100,000, L: 1,000,000 (default M)")
    parser.add_argument("--components", type=int, help="number of components (default by size)")
    parser.add_argument("--items", type=int, help="distinct items (default by size)")
    parser.add_argument("--order", choices=("sorted", "shuffled"), default="sorted")
    parser.add_argument("--dups", type=float, default=0.0, metavar="FRACTION",
                        help="share of the items written again later (0 to 1)")
    parser.add_argument("--canon", action="store_true", help="also write OUT.canon")
    parser.add_argument("--queries", type=int, default=10_000, metavar="N",
                        help="lookups in OUT.q and OUT.qi; 0 writes neither (default 10000)")
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()

    items, components = SIZES[args.size]
    items = args.items if args.items is not None else items
    components = args.components if args.components is not None else components
    if components < 1 or not 0.0 <= args.dups <= 1.0 or args.queries < 0:
        parser.error("--components must be positive, --dups within 0..1, --queries >= 0")

    sections = make_log(items, components, args.seed)
    runs = make_lines(sections, args.order, args.dups, args.seed)
    store = read_as_store(runs)
    out = args.output
    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    if args.canon:
        write(out + ".canon", canon_text(store))
    if args.queries:
        exact, scrambled = queries(store, args.queries, args.seed)
        write(out + ".q", exact)
        write(out + ".qi", scrambled)
    text = log_text(runs)
    write(out, text)
    cLines = sum(len(lines) for _, lines in runs)
    print("genlog: %s: %d bytes, %d sections, %d items in %d lines" %
          (out, len(text), len(store), sum(len(i) for _, i in store.values()), cLines))
    return 0


if __name__ == "__main__":
    sys.exit(main())
