#!/usr/bin/env python3
"""Independent checks of the files a Tessaly session writes.

Standard library only. The superimposition, the MANOVA with its canonical axes and the
nearest-mean assignment are worked out here from the input files and from the written partial
warp scores, by plain loops, and compared with what the program wrote. Every check prints what
it found wrong and the script exits with status 1 on the first failed command.

Usage: cvacheck.py COMMAND ARGS...  (see the functions named cmd_*)
"""
import math
import re
import sys

# ---------------------------------------------------------------------------------------------
# Reading and writing

def read_matrix(path):
    """Rows of numbers of a numeric text file, as the program's loader reads them."""
    rows = []
    with open(path) as f:
        for line in f:
            fields = line.replace(",", " ").split()
            if fields:
                rows.append([float(x) for x in fields])
    return rows


def g6(x):
    """C's %g."""
    return "%g" % x


def matrix_text(rows):
    """The matrix text format: every element by "%g ", every row followed by " \\n "."""
    return "".join("".join(g6(x) + " " for x in row) + " \n " for row in rows)


class CheckFailed(Exception):
    pass


def fail(msg):
    raise CheckFailed(msg)


def close(a, b, rel, absolute=0.0):
    return abs(a - b) <= max(rel * max(abs(a), abs(b)), absolute)

# ---------------------------------------------------------------------------------------------
# Small dense linear algebra

def transpose(a):
    return [list(r) for r in zip(*a)]


def matmul(a, b):
    bt = transpose(b)
    return [[sum(x * y for x, y in zip(r, c)) for c in bt] for r in a]


def cholesky(a):
    """Upper triangular R with a = R' R."""
    n = len(a)
    r = [[0.0] * n for _ in range(n)]
    for j in range(n):
        s = a[j][j] - sum(r[k][j] ** 2 for k in range(j))
        if s <= 0:
            fail("the within-group matrix is not positive definite")
        r[j][j] = math.sqrt(s)
        for i in range(j + 1, n):
            r[j][i] = (a[j][i] - sum(r[k][j] * r[k][i] for k in range(j))) / r[j][j]
    return r


def solve_upper(r, b):
    """x with r x = b, r upper triangular, b a matrix."""
    n = len(r)
    x = [[0.0] * len(b[0]) for _ in range(n)]
    for c in range(len(b[0])):
        for i in reversed(range(n)):
            s = b[i][c] - sum(r[i][k] * x[k][c] for k in range(i + 1, n))
            x[i][c] = s / r[i][i]
    return x


def solve_lower(l, b):
    n = len(l)
    x = [[0.0] * len(b[0]) for _ in range(n)]
    for c in range(len(b[0])):
        for i in range(n):
            s = b[i][c] - sum(l[i][k] * x[k][c] for k in range(i))
            x[i][c] = s / l[i][i]
    return x


def jacobi_eigen(a, sweeps=100):
    """Eigenvalues and unit eigenvectors (columns) of a symmetric matrix, by Jacobi rotations."""
    n = len(a)
    a = [row[:] for row in a]
    v = [[1.0 if i == j else 0.0 for j in range(n)] for i in range(n)]
    for _ in range(sweeps):
        off = sum(a[i][j] ** 2 for i in range(n) for j in range(n) if i != j)
        if off < 1e-30 * sum(a[i][i] ** 2 for i in range(n)) + 1e-300:
            break
        for p in range(n - 1):
            for q in range(p + 1, n):
                if abs(a[p][q]) < 1e-300:
                    continue
                theta = (a[q][q] - a[p][p]) / (2 * a[p][q])
                t = (1.0 if theta >= 0 else -1.0) / (abs(theta) + math.sqrt(theta * theta + 1))
                c = 1 / math.sqrt(t * t + 1)
                s = t * c
                for k in range(n):
                    akp, akq = a[k][p], a[k][q]
                    a[k][p] = c * akp - s * akq
                    a[k][q] = s * akp + c * akq
                for k in range(n):
                    apk, aqk = a[p][k], a[q][k]
                    a[p][k] = c * apk - s * aqk
                    a[q][k] = s * apk + c * aqk
                for k in range(n):
                    vkp, vkq = v[k][p], v[k][q]
                    v[k][p] = c * vkp - s * vkq
                    v[k][q] = s * vkp + c * vkq
    return [a[i][i] for i in range(n)], v

# ---------------------------------------------------------------------------------------------
# Superimposition: unit centroid size, then rotation onto the reference (no scaling), and the
# iterated consensus started from the first specimen.

def centre_scale(row):
    k = (len(row) - 1) // 2
    xs, ys = row[0:2 * k:2], row[1:2 * k:2]
    cx, cy = sum(xs) / k, sum(ys) / k
    xs = [x - cx for x in xs]
    ys = [y - cy for y in ys]
    size = math.sqrt(sum(x * x for x in xs) + sum(y * y for y in ys))
    out = []
    for x, y in zip(xs, ys):
        out += [x / size, y / size]
    return out + [row[-1]]


def rotate_onto(row, ref):
    k = (len(row) - 1) // 2
    ct = sum(ref[2 * j] * row[2 * j] + ref[2 * j + 1] * row[2 * j + 1] for j in range(k))
    st = sum(row[2 * j] * ref[2 * j + 1] - row[2 * j + 1] * ref[2 * j] for j in range(k))
    th = math.atan2(st, ct)
    c, s = math.cos(th), math.sin(th)
    out = []
    for j in range(k):
        x, y = row[2 * j], row[2 * j + 1]
        out += [x * c - y * s, x * s + y * c]
    return out + [row[-1]]


def consensus(data):
    x = [centre_scale(r) for r in data]
    n = len(x[0])
    ref = x[0][:]
    xd = 1.0
    while xd > 7.450580596923829e-10:
        x = [rotate_onto(r, ref) for r in x]
        old = ref
        ref = [sum(r[q] for r in x) / len(x) for q in range(n)]
        norm = math.sqrt(sum(ref[q] ** 2 for q in range(n - 1)))
        ref = [v / norm for v in ref]
        xd = sum((ref[q] - old[q]) ** 2 for q in range(n - 1))
    return ref


def superimpose(data, ref):
    return [rotate_onto(centre_scale(r), ref) for r in data]

# ---------------------------------------------------------------------------------------------
# One-way MANOVA with its canonical analysis

def ordinal_groups(codes):
    order = []
    for c in codes:
        if c not in order:
            order.append(c)
    return [order.index(c) for c in codes], order


def column_means(rows):
    return [sum(c) / len(rows) for c in zip(*rows)]


def crossproducts(rows):
    mean = column_means(rows)
    z = [[x - m for x, m in zip(r, mean)] for r in rows]
    return matmul(transpose(z), z)


def chi2_sf(x, k):
    """Upper tail of the chi-square distribution (regularised upper incomplete gamma)."""
    a, x = k / 2.0, x / 2.0
    if x <= 0:
        return 1.0
    lg = math.lgamma(a)
    if x < a + 1:
        term = total = 1.0 / a
        ap = a
        for _ in range(10000):
            ap += 1
            term *= x / ap
            total += term
            if abs(term) < abs(total) * 1e-16:
                break
        return 1.0 - total * math.exp(-x + a * math.log(x) - lg)
    b = x + 1 - a
    c = 1e300
    d = 1 / b
    h = d
    for i in range(1, 10000):
        an = -i * (i - a)
        b += 2
        d = an * d + b
        d = 1e-300 if abs(d) < 1e-300 else d
        c = b + an / c
        c = 1e-300 if abs(c) < 1e-300 else c
        d = 1 / d
        delta = d * c
        h *= delta
        if abs(delta - 1) < 1e-16:
            break
    return math.exp(-x + a * math.log(x) - lg) * h


def manova(x, codes, alpha=0.05):
    n, m = len(x), len(x[0])
    groups, order = ordinal_groups(codes)
    g = len(order)
    t = crossproducts(x)
    w = [[0.0] * m for _ in range(m)]
    for j in range(g):
        rows = [r for r, gr in zip(x, groups) if gr == j]
        if len(rows) > 1:
            cp = crossproducts(rows)
            w = [[a + b for a, b in zip(ra, rb)] for ra, rb in zip(w, cp)]
    b = [[a - c for a, c in zip(ra, rc)] for ra, rc in zip(t, w)]
    r = cholesky(w)
    rt = transpose(r)
    s = solve_lower(rt, b)                       # (R')^-1 B
    s = transpose(solve_lower(rt, transpose(s)))  # ... R^-1
    s = [[(s[i][j] + s[j][i]) / 2 for j in range(m)] for i in range(m)]
    vals, vecs = jacobi_eigen(s)
    coef = solve_upper(r, vecs)                  # R^-1 V
    idx = sorted(range(m), key=lambda i: -vals[i])
    eigenval = [vals[i] for i in idx]
    eigenvec = []
    for i in idx:
        col = [coef[q][i] for q in range(m)]
        vs = sum(col[p] * w[p][q] * col[q] for p in range(m) for q in range(m)) / (n - g)
        if vs <= 0:
            vs = 1.0
        col = [c / math.sqrt(vs) for c in col]
        if sum(col) < 0:
            col = [-c for c in col]
        eigenvec.append(col)
    rdims = min(g - 1, m)
    inc = sorted(vals)
    prods, c = [], 1.0
    for e in inc:
        c *= 1 + e
        prods.append(c)
    lam = [1 / p for p in reversed(prods)][:rdims]
    chisq = [-(n - 1 - (g + m) / 2.0) * math.log(l) for l in lam]
    df = [(m - i) * (g - 1 - i) for i in range(rdims)]
    p = [chi2_sf(c2, k) for c2, k in zip(chisq, df)]
    d = rdims
    for i in range(rdims):
        if p[i] > alpha:
            d = i
            break
    mean = column_means(x)
    xc = [[v - mu for v, mu in zip(row, mean)] for row in x]
    canon = [[sum(a * b for a, b in zip(row, col)) for col in eigenvec] for row in xc]
    return {"W": w, "B": b, "eigenval": eigenval, "eigenvec": eigenvec, "lambda": lam,
            "chisq": chisq, "df": df, "p": p, "d": d, "canon": canon, "groups": groups,
            "order": order, "n": n, "m": m, "g": g}


def assign(scores, codes, q, others=None):
    """Nearest group mean over the first q columns: (ordinal, assigned, distance, all distances)
    for each row of scores (or of others, the unknowns, against the same means)."""
    groups, order = ordinal_groups(codes)
    g = len(order)
    means = []
    for j in range(g):
        rows = [r[:q] for r, gr in zip(scores, groups) if gr == j]
        means.append(column_means(rows) if q else [])
    out = []
    for i, row in enumerate(others if others is not None else scores):
        dist = [math.sqrt(sum((a - b) ** 2 for a, b in zip(row[:q], mu))) for mu in means]
        best = 0
        for j in range(1, g):
            if dist[j] < dist[best]:
                best = j
        out.append((None if others is not None else groups[i], best, dist[best], dist))
    return out, order

# ---------------------------------------------------------------------------------------------
# Commands

def cmd_matrix_format(path, header=""):
    """The file holds its numbers in the matrix text format, byte for byte (after an optional
    header line)."""
    text = open(path, newline="").read()
    if not text.startswith(header):
        fail("%s does not start with the header %r" % (path, header))
    body = text[len(header):]
    rows = [[float(v) for v in line.split()] for line in body.split("\n") if line.strip()]
    if matrix_text(rows) != body:
        fail("%s is not in the matrix text format" % path)
    return rows


def cmd_superimposition(data_path, reference_path, pw_path):
    data = read_matrix(data_path)
    written = cmd_matrix_format(reference_path)
    if len(written) != 1:
        fail("the reference file has %d lines" % len(written))
    ref = consensus(data)
    got = written[0]
    if len(got) != len(ref):
        fail("the reference has %d numbers, expected %d" % (len(got), len(ref)))
    for q, (a, b) in enumerate(zip(got, ref)):
        if not close(a, b, 2e-5, 2e-6):
            fail("reference element %d is %r, the consensus gives %r" % (q + 1, a, b))
    k = (len(ref) - 1) // 2
    xs, ys = got[0:2 * k:2], got[1:2 * k:2]
    if abs(sum(xs)) > 1e-5 or abs(sum(ys)) > 1e-5:
        fail("the reference is not centred")
    if abs(sum(v * v for v in xs + ys) - 1) > 1e-5:
        fail("the reference is not of unit centroid size")

    # The shape variables are linear in the superimposed coordinates: each column of the
    # partial warp and uniform scores must be fitted exactly by them.
    pw = cmd_matrix_format(pw_path)
    sup = superimpose(data, ref)
    if len(pw) != len(data) or any(len(r) != 2 * k - 3 for r in pw):
        fail("the partial warp scores are not %d rows of %d numbers" % (len(data), 2 * k - 3))
    for i, (p, d) in enumerate(zip(pw, data)):
        if not close(p[-1], d[-1], 1e-5):
            fail("specimen %d: the last score column %r is not its centroid size %r"
                 % (i + 1, p[-1], d[-1]))
    basis = []  # orthonormal columns spanning the coordinates and the constant
    for col in [[1.0] * len(sup)] + [[r[q] for r in sup] for q in range(2 * k)]:
        v = col[:]
        for _ in range(2):
            for e in basis:
                dot = sum(a * b for a, b in zip(v, e))
                v = [a - dot * b for a, b in zip(v, e)]
        norm = math.sqrt(sum(a * a for a in v))
        if norm > 1e-9 * math.sqrt(len(v)):
            basis.append([a / norm for a in v])
    for q in range(2 * k - 4):
        col = [r[q] for r in pw]
        fit = [0.0] * len(col)
        for e in basis:
            dot = sum(a * b for a, b in zip(col, e))
            fit = [f + dot * b for f, b in zip(fit, e)]
        resid = math.sqrt(sum((a - b) ** 2 for a, b in zip(col, fit)))
        size = math.sqrt(sum(a * a for a in col))
        if size == 0 or resid > 1e-4 * size:
            fail("score column %d is not a linear function of the superimposed coordinates "
                 "(residual %g of %g)" % (q + 1, resid, size))


def load_cva(pw_path, groups_path):
    pw = read_matrix(pw_path)
    codes = [r[0] for r in read_matrix(groups_path)]
    s = len(pw[0]) - 1
    return pw, codes, s, manova([r[:s] for r in pw], codes)


def cmd_cva(pw_path, groups_path, eigen_path, axes_path, scores_path, sig_path=None):
    pw, codes, s, mv = load_cva(pw_path, groups_path)
    # Eigenvalues: one a line, "%g " then " \n ", largest first.
    text = open(eigen_path, newline="").read()
    eig = [float(v) for v in text.split()]
    if "".join(g6(e) + "  \n " for e in eig) != text:
        fail("%s is not one eigenvalue a line in the %%g format" % eigen_path)
    if len(eig) != s:
        fail("%d eigenvalues written, %d shape variables" % (len(eig), s))
    if any(b > a for a, b in zip(eig, eig[1:])):
        fail("the eigenvalues do not decrease: %s" % eig)
    for i, (a, b) in enumerate(zip(eig, mv["eigenval"])):
        if not close(a, b, 1e-3, 1e-4 * mv["eigenval"][0]):
            fail("eigenvalue %d is %r, the MANOVA of the written scores gives %r" % (i + 1, a, b))
    # Canonical axes: the coefficients scaled to unit length, same signs.
    axes = cmd_matrix_format(axes_path)
    if len(axes) != s or any(len(r) != s for r in axes):
        fail("the canonical axes are not %d by %d" % (s, s))
    for j in range(min(mv["g"] - 1, s)):  # the axes of the non-zero eigenvalues
        col = mv["eigenvec"][j]
        norm = math.sqrt(sum(c * c for c in col))
        for q in range(s):
            if not close(axes[q][j], col[q] / norm, 1e-3, 2e-5):
                fail("axis %d, element %d is %r, expected %r"
                     % (j + 1, q + 1, axes[q][j], col[q] / norm))
    for j in range(s):
        norm = math.sqrt(sum(axes[q][j] ** 2 for q in range(s)))
        if abs(norm - 1) > 1e-4:
            fail("axis %d does not have unit length (%g)" % (j + 1, norm))
    # Scores: the shape variables less one number (the mean of the last shape variable),
    # times the axes.
    scores = cmd_matrix_format(scores_path)
    if len(scores) != len(pw) or any(len(r) != s for r in scores):
        fail("the CVA scores are not %d rows of %d numbers" % (len(pw), s))
    c = sum(r[s - 1] for r in pw) / len(pw)
    # The written partial warp scores carry six significant digits: allow for that.
    tol = 4e-5 * max(abs(v) for row in scores for v in row)
    for i, (row, prow) in enumerate(zip(scores, pw)):
        for j in range(s):
            want = sum((prow[q] - c) * axes[q][j] for q in range(s))
            if not close(row[j], want, 1e-4, tol):
                fail("score %d of specimen %d is %r, expected %r" % (j + 1, i + 1, row[j], want))
    if sig_path:
        check_report_lines(open(sig_path, newline="").read(), mv)
    print("MANOVA: d=%d lambda=%s" % (mv["d"], ", ".join("%.6g" % l for l in mv["lambda"])))


REPORT_HEADER = "Results from CVA/Manova \n \n "
AXIS_LINE = re.compile(r"\nAxis (\d+) Lambda= (\S+) chisq=(\S+) df=(\d+) p([<=])(\S+)")


def check_report_lines(text, mv, context="report"):
    """The significance report, as built by the program, somewhere in text."""
    start = text.find(REPORT_HEADER)
    if start < 0:
        fail("%s has no header %r" % (context, REPORT_HEADER))
    body = text[start + len(REPORT_HEADER):]
    lines = []
    pos = 0
    while True:
        m = AXIS_LINE.match(body, pos)
        if not m:
            break
        lines.append(m)
        pos = m.end()
    if len(lines) != mv["d"]:
        fail("%s has %d axis lines, the MANOVA gives d=%d" % (context, len(lines), mv["d"]))
    eps = 2.220446049250313e-16
    for i, m in enumerate(lines):
        num, lam, chisq, df, rel, p = m.groups()
        if int(num) != i + 1:
            fail("%s: axis line %d is numbered %s" % (context, i + 1, num))
        if lam != "%3.4f" % float(lam) or chisq != "%3.4f" % float(chisq):
            fail("%s: axis %d is not written with four decimals" % (context, i + 1))
        if not close(float(lam), mv["lambda"][i], 1e-3, 2e-4):
            fail("%s: lambda %d is %s, expected %.6g" % (context, i + 1, lam, mv["lambda"][i]))
        if not close(float(chisq), mv["chisq"][i], 1e-4, 2e-3):
            fail("%s: chisq %d is %s, expected %.6g" % (context, i + 1, chisq, mv["chisq"][i]))
        if int(df) != mv["df"][i]:
            fail("%s: df %d is %s, expected %d" % (context, i + 1, df, mv["df"][i]))
        if mv["p"][i] < eps * 0.5:
            if rel != "<" or p != "2.22045e-16":
                fail("%s: axis %d should read p<2.22045e-16" % (context, i + 1))
        elif mv["p"][i] > eps * 2:
            if rel != "=" or not close(float(p), mv["p"][i], 1e-2, 1e-12):
                fail("%s: axis %d p=%s, expected %.6g" % (context, i + 1, p, mv["p"][i]))
    return start + len(REPORT_HEADER) + pos


def cmd_report(report_path, pw_path, groups_path):
    """report.txt as saved from the results window: the CVA report, each row + " \\n"."""
    _, _, _, mv = load_cva(pw_path, groups_path)
    text = open(report_path, newline="").read()
    want = "Results from CVA/Manova  \n  \n  \n"
    if not text.startswith(want):
        fail("the saved report does not start with %r: %r" % (want, text[:40]))
    # The saved rows come from the report text split at its line ends; undo that to check the
    # axis lines as the program built them.
    rows = text.split(" \n")
    rebuilt = "\n".join(rows)
    check_report_lines(rebuilt, mv, "saved report")


def cmd_summary_message(out_path, pw_path, groups_path):
    """The message box of the CVA run, as the batch runner printed it."""
    _, _, _, mv = load_cva(pw_path, groups_path)
    text = open(out_path).read()
    m = re.search(r"message \(CVA Complete\): (There were (...) distinct canonical variates, "
                  r"the p-scores were (.*))\n", text)
    if not m:
        fail("no CVA Complete message")
    if m.group(2) != "%3.0f" % mv["d"]:
        fail("the message counts %r variates, expected %d" % (m.group(2), mv["d"]))
    pieces = re.findall(r" (<?)(\S+), ", m.group(3))
    if len(pieces) != mv["d"] or "".join(" %s%s, " % pc for pc in pieces) != m.group(3):
        fail("the message's p-scores are not one piece per variate: %r" % m.group(3))
    for (lt, p), want in zip(pieces, mv["p"]):
        if want < 1e-16 and (lt, p) != ("<", "2.22045e-16"):
            fail("a p-score below the spacing of doubles is shown as %s%s" % (lt, p))


def cmd_assignments(pw_path, groups_path, scores_path, membership_path, grouping_path,
                    assignment_path, detailed_path, sizes):
    pw, codes, s, mv = load_cva(pw_path, groups_path)
    q = mv["d"]
    res, order = assign(mv["canon"], codes, q)
    n = len(codes)
    # Membership list: header, then i, ordinal group, code, assigned ordinal group.
    want = "Specimen OrdinalGroup  GroupCode CVAGroup\n" + "".join(
        "%d %d %d %d \n" % (i + 1, r[0] + 1, codes[i], r[1] + 1) for i, r in enumerate(res))
    got = open(membership_path, newline="").read()
    if got != want:
        diff = [i for i, (a, b) in enumerate(zip(got.split("\n"), want.split("\n"))) if a != b]
        fail("the membership list differs from the nearest-mean assignment (first at line %d)"
             % (diff[0] + 1 if diff else 0))
    # Grouping table: rows are given groups, columns assigned groups, labelled by code.
    g = len(order)
    z = [[0] * g for _ in range(g)]
    for r in res:
        z[r[0]][r[1]] += 1
    table = "%s \n \n %s" % ("Groupings from CVA-Distance Based",
                             "Original Groups along rows, CVA groups along columns")
    sep = " \n - \n"
    table += sep + sep + "".join("%4.1i" % v for v in [0] + [int(c) for c in order])
    for a in range(g):
        table += sep + "".join("%4.1i" % v for v in [int(order[a])] + z[a])
    got = open(grouping_path, newline="").read()
    if got != "\n%s \n\n" % table:
        fail("the grouping table differs from the one worked out here:\n%r\n%r"
             % (got, "\n%s \n\n" % table))
    sizes = [int(v) for v in sizes.split(",")]
    if [sum(row) for row in z] != sizes:
        fail("the grouping table's rows sum to %s, not %s" % ([sum(r) for r in z], sizes))

    # Assignment test: the distances are those to the assigned means; the labels follow the
    # within-group distance levels that the detailed file lists.
    detailed = open(detailed_path, newline="").read()
    m = re.search(r"\n\nPercentile ranges of within group distances\n p<0\.001     p<0\.01"
                  r"     p<0\.05((?:\n\S+ \S+ \S+)+)$", detailed)
    if not m:
        fail("the detailed assignment file does not end with the percentile ranges")
    drange = [[float(v) for v in line.split()] for line in m.group(1).strip("\n").split("\n")]
    if len(drange) != g or any(not (r[0] >= r[1] >= r[2] > 0) for r in drange):
        fail("the percentile ranges are not %d decreasing rows: %s" % (g, drange))

    def label(dist, a):
        if dist > drange[a][0]:
            return "p<0.001"
        if dist > drange[a][1]:
            return "0.01>p>0.001"
        if dist > drange[a][2]:
            return "0.05>p>0.01"
        return "p>0.05"

    def near_limit(dist, a):
        return any(abs(dist - lim) < 2e-6 for lim in drange[a])

    head = ("For the specimens with user group assignments"
            "\nSpecimen GroupSymbol OrdinalGroup AssignedGroup AxesDistance Significance")
    text = open(assignment_path, newline="").read()
    if not text.startswith(head):
        fail("the assignment test file does not start with its header")
    lines = text[len(head):].split("\n")[1:]
    if len(lines) != n:
        fail("the assignment test file has %d specimen lines, not %d" % (len(lines), n))
    for i, (line, r) in enumerate(zip(lines, res)):
        f = line.split(" ")
        if len(f) != 7 or f[0] != "" or f[1:5] != [str(i + 1), "%d" % codes[i], str(r[0] + 1),
                                                    str(r[1] + 1)]:
            fail("assignment line %d reads %r" % (i + 1, line))
        if f[5] != "%f" % float(f[5]) or not close(float(f[5]), r[2], 1e-3, 2e-6):
            fail("assignment line %d: distance %s, expected %f" % (i + 1, f[5], r[2]))
        if f[6] != label(float(f[5]), r[1]) and not near_limit(float(f[5]), r[1]):
            fail("assignment line %d: label %s for distance %s" % (i + 1, f[6], f[5]))

    # Detailed assignment: every distance with its label, then the unique group.
    dhead = ("For the specimens with user group assignments"
             "\nSpecimen GroupSymbol OrdinalGroup Assigned Group " +
             "".join(" Group %d Problevel %d " % (j + 1, j + 1) for j in range(g)))
    if not detailed.startswith(dhead):
        fail("the detailed assignment file does not start with its header")
    body = detailed[len(dhead):m.start()]
    dlines = body.split("\n")[1:]
    if len(dlines) != n:
        fail("the detailed file has %d specimen lines, not %d" % (len(dlines), n))
    for i, (line, r) in enumerate(zip(dlines, res)):
        lead = " %d %d %d %d " % (i + 1, codes[i], r[0] + 1, r[1] + 1)
        if not line.startswith(lead):
            fail("detailed line %d starts %r, expected %r" % (i + 1, line[:30], lead))
        entries = re.findall(r" (\S+)  (\S+) ", line[len(lead):line.rfind("Unique Group=")])
        if len(entries) != g:
            fail("detailed line %d has %d group entries" % (i + 1, len(entries)))
        calm = []
        for j, (dist, lab) in enumerate(entries):
            if not close(float(dist), r[3][j], 1e-3, 2e-6):
                fail("detailed line %d: distance to group %d is %s, expected %f"
                     % (i + 1, j + 1, dist, r[3][j]))
            if lab != label(float(dist), j) and not near_limit(float(dist), j):
                fail("detailed line %d: label %s for distance %s" % (i + 1, lab, dist))
            if lab == "p>0.05":
                calm.append(j + 1)
        unique = calm[0] if len(calm) == 1 else 0
        if not line.endswith("Unique Group=%d" % unique):
            fail("detailed line %d should end with Unique Group=%d: %r" % (i + 1, unique, line))


def cmd_unknown_copies(scores_path, membership_path, unknown_scores_path,
                       unknown_membership_path, rows, codes):
    """Unknowns that are copies of data specimens take those specimens' scores and groups."""
    rows = [int(v) for v in rows.split(",")]
    codes = [int(v) for v in codes.split(",")]
    scores = read_matrix(scores_path)
    member = [line.split() for line in open(membership_path).read().split("\n")[1:] if line]
    text = open(unknown_scores_path, newline="").read()
    got = [[float(v) for v in line.split()] for line in text.split("\n") if line.strip()]
    want = "".join("".join(" %f " % v for v in row) + " \n " for row in got)
    if want != text:
        fail("the unknowns' scores are not written by \" %f \" with \" \\n \" after each row")
    if len(got) != len(rows):
        fail("%d unknowns' score rows, expected %d" % (len(got), len(rows)))
    for u, (row, i) in enumerate(zip(got, rows)):
        for j, (a, b) in enumerate(zip(row, scores[i - 1])):
            if not close(a, b, 1e-3, 2e-6):
                fail("unknown %d (a copy of specimen %d): score %d is %g, expected %g"
                     % (u + 1, i, j + 1, a, b))
    want = "Specimen# UserCode CVAGroup\n" + "".join(
        "%d %d %s \n" % (u + 1, codes[u], member[i - 1][3]) for u, i in enumerate(rows))
    if open(unknown_membership_path, newline="").read() != want:
        fail("the unknowns' membership list is not the copied specimens' groups:\n%r\n%r"
             % (open(unknown_membership_path).read(), want))


def cmd_jackknife(report_path, nspec, trials, fraction):
    text = open(report_path, newline="").read()
    nspec, trials, fraction = int(nspec), int(trials), float(fraction)
    m = math.ceil(nspec * fraction - 1e-12)
    head = ("Results of the Jack-knife test of the CVA performance"
            "\nDuring this test using %d total specimens"
            "\n %2.1f percent (%d) were used as \"unknowns\""
            "\nA total of %d \"unknowns\" were tested in %d trials"
            % (nspec, fraction * 100, m, m * trials, trials))
    start = text.find(head.split("\n")[0])
    if start < 0:
        fail("no jackknife report")
    rows = text[start:].split(" \n")
    rebuilt = "\n".join(rows)
    if not rebuilt.startswith(head):
        fail("the jackknife report does not start with %r" % head)
    counts = re.findall(r"\n\n(\d+) \((\S+) percent\) were (correct|incorrect) and "
                        r"(significant|non-significant)", rebuilt)
    kinds = [(c[2], c[3]) for c in counts]
    if kinds != [("correct", "significant"), ("correct", "non-significant"),
                 ("incorrect", "significant"), ("incorrect", "non-significant")]:
        fail("the jackknife report does not give the four counts in order: %s" % kinds)
    total = sum(int(c[0]) for c in counts)
    if total != m * trials:
        fail("the jackknife counts add up to %d, not %d" % (total, m * trials))
    for c in counts:
        if c[1] != "%3.1f" % (int(c[0]) * 100.0 / total):
            fail("percentage %s does not match count %s of %d" % (c[1], c[0], total))


# ---------------------------------------------------------------------------------------------
# Principal components of shape

def read_csv(path):
    """The header and the rows of a tidy CSV file (no quoted fields in these files)."""
    with open(path, newline="") as f:
        lines = f.read().split("\n")
    if lines[-1] != "":
        fail("%s does not end with a line end" % path)
    return lines[0].split(","), [line.split(",") for line in lines[1:-1]]


def covariance(rows):
    n = len(rows)
    return [[v / (n - 1) for v in row] for row in crossproducts(rows)]


def cmd_pca(pw_path, scores_path, variance_path):
    """The components of the written shape variables (Jacobi on their covariance), against
    pca.csv; the written scores of the specimens are centred, uncorrelated, with those
    variances."""
    pw = read_matrix(pw_path)
    x = [r[:-1] for r in pw]
    p = len(x[0])
    vals, _ = jacobi_eigen(covariance(x))
    vals.sort(reverse=True)
    header, rows = read_csv(variance_path)
    if header != ["component", "eigenvalue", "percent", "cumulative_percent"]:
        fail("pca.csv has the header %s" % header)
    q = min(p, len(x) - 1)
    if len(rows) != q:
        fail("%d components written, %d expected" % (len(rows), q))
    total, cum = sum(vals), 0.0
    for j, row in enumerate(rows):
        e, pct, cpct = (float(v) for v in row[1:])
        cum += vals[j]
        # pw-scores.txt carries six significant digits.
        if row[0] != "PC%d" % (j + 1) or not close(e, vals[j], 1e-4, 1e-5 * vals[0]):
            fail("component %s: eigenvalue %r, expected %r" % (row[0], e, vals[j]))
        if not close(pct, 100 * vals[j] / total, 1e-4, 1e-4) or not close(cpct, 100 * cum / total, 1e-4, 1e-4):
            fail("component %d: percentages %r %r" % (j + 1, pct, cpct))
    header, rows = read_csv(scores_path)
    if header[:5] != ["specimen", "label", "image", "group", "set"] or len(header) != 5 + q:
        fail("pca-scores.csv has the header %s" % header)
    pcs = [[float(v) for v in r[5:]] for r in rows if r[4] == "specimen"]
    if len(pcs) != len(x):
        fail("%d specimens in pca-scores.csv, %d in the data" % (len(pcs), len(x)))
    c = covariance(pcs)
    written = [float(r[1]) for r in read_csv(variance_path)[1]]
    for i in range(q):
        if abs(sum(r[i] for r in pcs)) > 1e-9 * len(pcs) * math.sqrt(written[0]):
            fail("the scores on PC%d are not centred" % (i + 1))
        for j in range(q):
            want = written[i] if i == j else 0.0
            if abs(c[i][j] - want) > 1e-9 * written[0]:
                fail("covariance of PC%d and PC%d is %r, expected %r" % (i + 1, j + 1, c[i][j], want))
    print("PCA: %d components, first %.6g" % (q, vals[0]))


def cmd_cva_components(scores_path, groups_path, m, eigen_path, report_path):
    """The MANOVA of the first m written component scores against the CVA run on them."""
    m = int(m)
    _, rows = read_csv(scores_path)
    x = [[float(v) for v in r[5:5 + m]] for r in rows if r[4] == "specimen"]
    codes = [r[0] for r in read_matrix(groups_path)]
    mv = manova(x, codes)
    eig = [float(v) for v in open(eigen_path).read().split()]
    if len(eig) != m:
        fail("%d eigenvalues written for a CVA on %d components" % (len(eig), m))
    for i, (a, b) in enumerate(zip(eig, mv["eigenval"])):
        if not close(a, b, 1e-5, 1e-6 * mv["eigenval"][0]):
            fail("eigenvalue %d is %r, the MANOVA of the component scores gives %r" % (i + 1, a, b))
    # report.txt as saved from the results window: each row followed by " \n".
    check_report_lines("\n".join(open(report_path, newline="").read().split(" \n")), mv)
    print("CVA on %d components: lambda=%s" % (m, ", ".join("%.6g" % l for l in mv["lambda"])))


def main(argv):
    commands = {name[4:].replace("_", "-"): fn for name, fn in globals().items()
                if name.startswith("cmd_")}
    if len(argv) < 2 or argv[1] not in commands:
        print("usage: cvacheck.py %s ..." % "|".join(sorted(commands)), file=sys.stderr)
        return 2
    try:
        commands[argv[1]](*argv[2:])
    except CheckFailed as e:
        print("check %s failed: %s" % (argv[1], e), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
