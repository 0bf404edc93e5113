"""The entry lists of every generated data set, in file order."""
import functools

ROLFSEN_COUNTS = {3: 1, 4: 1, 5: 2, 6: 3, 7: 7, 8: 21, 9: 49, 10: 166}
# composite knots that fill up the 3-10 crossing database (Id index after the primes)
COMPOSITES = [
    ("3_1#3_1", 6, "granny knot 3_1#3_1"),
    ("3_1#-3_1", 6, "square knot 3_1#3_1*"),
    ("3_1#4_1", 7, "3_1#4_1"),
    ("4_1#4_1", 8, "4_1#4_1"),
]
# two 11-crossing knots (the Conway knot and the Kinoshita-Terasaka knot, a mutant pair)
ELEVEN = ["K11n34", "K11n42"]
# seven links written with Component elements
LINKS7 = [("L2a1", "2^2_1"), ("L4a1", "4^2_1"), ("L5a1", "5^2_1"), ("L6a3", "6^2_1"),
          ("L6a5", "6^3_1"), ("L6a4", "6^3_2"), ("L6n1", "6^3_3")]
LINK_COUNTS = {2: (1, 0), 4: (1, 0), 5: (1, 0), 6: (5, 1), 7: (7, 2), 8: (21, 8), 9: (55, 27),
               10: (174, 113)}


@functools.lru_cache(maxsize=None)
def knotinfo():
    import database_knotinfo as dk
    return {k["name"]: k for k in dk.link_list()}


@functools.lru_cache(maxsize=None)
def linkinfo():
    import database_knotinfo as dk
    out = {}
    for k in dk.link_list(proper_links=True):
        out.setdefault(k["name_unoriented"] if k.get("name_unoriented") else k["name"], k)
    return out


def knotinfo_name(rolfsen):
    """The knot tables of the knot-info database list the Perko pair once: Rolfsen's 10_162
    is their 10_161 and Rolfsen's 10_163..10_166 are their 10_162..10_165."""
    c, i = rolfsen.split("_")
    if c == "10" and int(i) >= 162:
        return "10_161" if int(i) == 162 else f"10_{int(i) - 1}"
    return rolfsen


def conway(name):
    k = knotinfo().get(name)
    return (k.get("conway_notation") or "").strip("[]") if k else ""


def ideal_entries():
    out = []
    for c, n in ROLFSEN_COUNTS.items():
        for i in range(1, n + 1):
            name = f"{c}_{i}"
            out.append(dict(key=name, name=name, id=f"{c}:1:{i}", conway=conway(knotinfo_name(name)),
                            kind="knot", crossings=c, h=0.1 if c <= 6 else (0.14 if c <= 8 else 0.2),
                            nh_cap=150, coarse_rounds=40, spread=c >= 7, upsample=c >= 9))
    nxt = {c: n + 1 for c, n in ROLFSEN_COUNTS.items()}
    for name, c, label in COMPOSITES:
        idx = nxt[c]; nxt[c] += 1
        cw = "#".join(("-" if p.startswith("-") else "") + conway(p.lstrip("-"))
                      for p in name.split("#"))
        out.append(dict(key=name, name=name, id=f"{c}:1:{idx}", conway=cw, kind="composite",
                        crossings=c, h=0.14, nh_cap=150, label=label, coarse_rounds=40, spread=True))
    for name in ELEVEN:
        kn = "11n_" + name[4:]
        idx = 367 + int(name[4:])
        out.append(dict(key=name, name=name, id=f"11:1:{idx}", conway=conway(kn), kind="knot",
                        crossings=11, h=0.2, nh_cap=150, coarse_rounds=40, spread=True, upsample=True))
    for name, rname in LINKS7:
        c, rest = rname.split("^")
        nc, idx = rest.split("_")
        out.append(dict(key=name, name=name, id=f"{c}:{nc}:{idx}", conway=rname, kind="link",
                        crossings=int(c), h=0.14, nh_cap=150, ncomp=int(nc), coarse_rounds=40,
                        spread=True))
    return out


def ht_entries(which):
    n = 367 if which == "a" else 185
    out = []
    for k in range(1, n + 1):
        name = f"K11{which}{k}"
        idx = k if which == "a" else 367 + k
        out.append(dict(key=name, name=name, id=f"11:1:{idx}", conway=conway(f"11{which}_{k}"),
                        kind="knot", crossings=11, h=0.5, nh_cap=100, coarse_rounds=12,
                        spread=True))
    return out


def tl_entries(group):
    """group: 'small' (2-9 crossings), '10a', '10n'."""
    names = []
    if group == "small":
        for c in range(2, 10):
            if c not in LINK_COUNTS:
                continue
            na, nn = LINK_COUNTS[c]
            names += [(c, f"L{c}a{k}") for k in range(1, na + 1)]
            names += [(c, f"L{c}n{k}") for k in range(1, nn + 1)]
    else:
        na, nn = LINK_COUNTS[10]
        if group == "10a":
            names = [(10, f"L10a{k}") for k in range(1, na + 1)]
        else:
            names = [(10, f"L10n{k}") for k in range(1, nn + 1)]
    return [dict(key=nm, name=nm, crossings=c, kind="link", h=0.5, nh_cap=100, coarse_rounds=12, spread=True) for c, nm in names]


def p12_entries(which):
    n = 1288 if which == "a" else 888
    return [dict(key=f"K12{which}{k}", name=f"K12{which}{k}", file=f"12{which}{k}.txt",
                 crossings=12, kind="knot", h=0.5, points=True, coarse_rounds=8,
                 spread=False) for k in range(1, n + 1)]


def link_ids(entries):
    """Ids crossings:components:index for TL entries, numbered within each crossing number
    and component count in table order."""
    import spherogram
    cnt = {}
    for e in entries:
        if "ncomp" not in e:
            e["ncomp"] = len(spherogram.Link(e["name"]).link_components)
        k = (e["crossings"], e["ncomp"])
        cnt[k] = cnt.get(k, 0) + 1
        e["id"] = f"{e['crossings']}:{e['ncomp']}:{cnt[k]}"
    return entries


def link_groups():
    """The TL entries of the three link texts with their Ids: {'links': 2-9 crossings,
    '10a': ..., '10n': ...}; Conway is the table name."""
    link_all = link_ids(tl_entries("small") + tl_entries("10a") + tl_entries("10n"))
    for e in link_all:
        e["conway"] = e["name"]
    return {"links": [e for e in link_all if e["crossings"] < 10],
            "10a": [e for e in link_all if e["name"].startswith("L10a")],
            "10n": [e for e in link_all if e["name"].startswith("L10n")]}
