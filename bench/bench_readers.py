"""Ideal-database reader on a synthetic 6 MB text: the whole-text entry scan, and the by-Id
lookup against the reference of parsing everything and picking the entry."""
import _bindings as kb
from harness import Table


def synthetic_database(target_bytes=6_000_000):
    entries = []
    size = k = 0
    while size < target_bytes:
        k += 1
        lines = [f'<AB Id="{k}:1:1" Conway="{k}" L="{16 + k * 1e-3:.6f}" D=" 1.000000">\n']
        for i in range(1, 41):
            lines.append(
                f'    <Coeff I="{i:>3}" A=" {0.1 * i:.6f}, {0.2 / i:.6f},-{0.01 * i:.6f}" '
                f'B="-{0.3 / i:.6f}, {0.05 * i:.6f}, {0.7 / i:.6f}" />\n'
            )
        lines.append("</AB>\n")
        entry = "".join(lines)
        entries.append(entry)
        size += len(entry)
    return '<DATA Title="synthetic">\n' + "".join(entries) + "</DATA>\n", k


def main():
    text, count = synthetic_database()
    last = f"{count}:1:1"
    mid = f"{count // 2}:1:1"

    def parse_all_pick(ab_id):
        blocks = kb.parse_ideal_txt_from_string(text)
        return blocks[kb.index_of_ideal_id(blocks, ab_id)]

    t = Table(f"ideal reader, {len(text) / 1e6:.1f} MB, {count} entries")
    t.add("parse_ideal_ab_by_id_from_string (middle entry)", lambda: kb.parse_ideal_ab_by_id_from_string(text, mid),
          lambda: parse_all_pick(mid), "reference: full parse + index_of_ideal_id", repeat=3)
    t.add("parse_ideal_ab_by_id_from_string (last entry)", lambda: kb.parse_ideal_ab_by_id_from_string(text, last),
          lambda: parse_all_pick(last), "reference: full parse + index_of_ideal_id", repeat=3)
    tk, _ = t.add("parse_ideal_txt_from_string (whole text)", lambda: kb.parse_ideal_txt_from_string(text),
                  lambda: parse_all_pick(last), "absolute time is the figure here", repeat=3)
    t.print()
    print(f"whole-text parse: {tk:.3f} s for {len(text) / 1e6:.1f} MB")


if __name__ == "__main__":
    main()
