"""A short tour of the library on small built-in inputs (grows with the library)."""
import _bindings as kb

print(kb.__doc__)
names = kb.list_bindings()
print(f"{names['counts']['functions']} functions, {names['counts']['classes']} classes registered")

circle = kb.parse_fseries_from_string(
    "% Simple Circle\n% lines  a_x(j) b_x(j)  a_y(j)  b_y(j)  a_z(j)  b_z(j)\n"
    "    1.0       0.0     0.0     1.0     0.0     0.0\n"
)[0]
print(f"unit circle block: header {circle.header!r}, {len(circle.a_x)} harmonic(s)")

trefoil = kb.parse_ideal_ab_by_id_from_string(
    '<AB Id="3:1:1" Conway="3" L="16.371637" D=" 1.000000">\n'
    '    <Coeff I="  1" A=" 0.374139, 0.000000, 0.000000" B=" 0.000000, 0.373928, 0.000000" />\n'
    '    <Coeff I="  2" A=" 0.824246, 0.750260, 0.000352" B=" 0.750450,-0.823952,-0.001991" />\n'
    "</AB>\n",
    "3:1:1",
)
print(kb.format_ideal_ab_header(trefoil))
