"""Bloch-Wigner dilogarithm D(z) = Im Li2(z) + arg(1 - z) log|z|."""

from __future__ import annotations

import cmath
import math
from fractions import Fraction


def _bernoulli(n):
    b = [Fraction(0)] * (n + 1)
    b[0] = Fraction(1)
    for m in range(1, n + 1):
        s = Fraction(0)
        c = Fraction(1)  # binomial(m + 1, k)
        for k in range(m):
            s += c * b[k]
            c = c * (m + 1 - k) / (k + 1)
        b[m] = -s / (m + 1)
    return b


def _series_coefficients(n):
    # Li2(z) = sum_k B_k u^(k+1) / (k+1)!,  u = -log(1 - z)
    b = _bernoulli(n)
    out = []
    fact = 1
    for k in range(n + 1):
        fact *= (k + 1)
        if b[k]:
            out.append((k + 1, float(b[k] / fact)))
    return out


_COEF = _series_coefficients(40)


def _li2_small(z):
    """Li2(z) for |z| <= 1 and Re z <= 1/2, where |log(1 - z)| stays well below 2*pi."""
    u = -cmath.log(1 - z)
    p = u
    acc = 0j
    last = 1
    for power, c in _COEF:
        while last < power:
            p *= u
            last += 1
        term = c * p
        acc += term
        if abs(term) < 1e-18 * abs(acc) and power > 4:
            break
    return acc


def bloch_wigner(z):
    z = complex(z)
    if z.imag == 0.0:
        return 0.0
    sign = 1.0
    # map into |z| <= 1, Re z <= 1/2 with D(z) = -D(1/z) = -D(1 - z)
    if abs(z) > 1.0:
        z = 1.0 / z
        sign = -sign
    if z.real > 0.5:
        z = 1.0 - z
        sign = -sign
        if abs(z) > 1.0:
            z = 1.0 / z
            sign = -sign
    li = _li2_small(z)
    return sign * (li.imag + cmath.phase(1 - z) * math.log(abs(z)))
