#!/usr/bin/env python3
"""The helper of scripts/mutants.sh: draws one-line faults at random from the
source, puts one fault into a tree, and digests object files so that a fault
the compiler throws away is told apart from one the tests miss.

  mutants.py sample TREE N SEED   print N faults drawn from every source file
                                  under TREE/src, as lines of a fault list
  mutants.py count TREE           how many places each operator can change
  mutants.py apply TREE FAULT     put one fault (a line of a list) into TREE;
                                  exit 1 when its text is not where it says
  mutants.py objects BUILD        a digest of each object file under BUILD,
                                  debug information left out
  mutants.py same BUILD DIGESTS STAMP
                                  exit 0 when every object file written after
                                  the file STAMP has its digest in DIGESTS (the
                                  fault changed nothing the compiler keeps)

A fault list has one fault a line: "FILE: TEXT => NEW", where TEXT occurs
exactly once in FILE, or "FILE:LINE: TEXT => NEW", where TEXT is the whole of
line LINE without its indentation. An empty NEW drops the text.

The operators, each changing one line of code (never a comment, a string, a
preprocessor line, nor in the grammar and scanner anything but their C++):
  flip      a comparison: < <= > >= one step (< to <=) or turned round
            (< to >), == and != swapped
  constant  a number: an integer one up or down (0 to 1), a decimal one up or
            down in its leading digit (0.2 to 0.3 or 0.1, 0 to 1)
  logic     && and || swapped
  negate    the condition of an if or a while
  drop      a statement that calls, assigns, counts, breaks or returns
            nothing, left out
  return    a return (with the type's empty value) before a statement of a
            function
A sample picks an operator at random, then one of its places in the whole
source at random, without repeating a place; the seed fixes the sample.
"""
import decimal
import hashlib
import math
import os
import random
import re
import subprocess
import sys
import tempfile

OPERATORS = ["flip", "constant", "logic", "negate", "drop", "return"]
SOURCE_EXTENSIONS = (".cpp", ".h", ".y", ".l")

PUNCTUATORS = sorted(
    """>>= <<= ... ->* :: -> ++ -- << >> <= >= == != && || += -= *= /= %= &= |= ^= ##
    { } [ ] ( ) ; : , . ? ~ ! + - * / % ^ & | = < > #""".split(),
    key=len,
    reverse=True,
)
TOKEN = re.compile(
    r"""(?P<space>\s+)
      | (?P<comment>//[^\n]*|/\*.*?\*/)
      | (?P<string>(?:u8|[uUL])?"(?:\\.|[^"\\\n])*")
      | (?P<char>(?:u8|[uUL])?'(?:\\.|[^'\\\n])+')
      | (?P<number>(?:\d|\.\d)(?:[eEpP][+-]|[\w.])*)
      | (?P<ident>[A-Za-z_]\w*|\$\$|\$\d+|@\d+)
      | (?P<punct>"""
    + "|".join(re.escape(p) for p in PUNCTUATORS)
    + r""")
      | (?P<other>.)""",
    re.S | re.X,
)

SPECIFIERS = {"static", "inline", "virtual", "explicit", "constexpr", "friend", "extern", "[[", "]]", "nodiscard"}
NOT_A_STATEMENT_START = {"else", "case", "default", "catch", "public", "private", "protected", "}", ")", "]"}
DECLARING = {
    "auto", "bool", "char", "class", "const", "constexpr", "double", "enum", "float", "int", "long", "namespace",
    "short", "signed", "static", "struct", "template", "typedef", "typename", "union", "unsigned", "using", "void",
    "volatile", "goto", "throw", "if", "for", "while", "switch", "do", "else", "case", "default", "try", "return",
    "break", "continue", "static_assert", "asm",
}
ASSIGNING = {"=", "+=", "-=", "*=", "/=", "%=", "&=", "|=", "^=", "<<=", ">>=", "(", ".", "->", "[", "++", "--"}


class Token:
    __slots__ = ("kind", "text", "start", "end", "line", "template", "scope", "depth")

    def __init__(self, kind, text, start, end, line):
        self.kind, self.text, self.start, self.end, self.line = kind, text, start, end, line
        self.template = False  # an angle bracket of a template
        self.scope = None  # the innermost brace scope holding the token
        self.depth = 0  # parentheses and brackets open within that scope


class Scope:
    def __init__(self, kind, returns=None, parent=None):
        self.kind = kind  # namespace, class, function, lambda, action, block, init
        self.returns = returns  # function: "return;", "return {};" or None (no early return)
        self.parent = parent

    def function(self):
        s = self
        while s and s.kind == "block":
            s = s.parent
        return s if s and s.kind in ("function", "lambda", "action") else None


# --- which characters are C++ -----------------------------------------------


def blank(text, keep):
    """The text with every character outside the kept ranges turned to a
    space (line breaks stay), so offsets and line numbers are unchanged."""
    out = [c if c == "\n" else " " for c in text]
    for a, b in keep:
        out[a:b] = text[a:b]
    return "".join(out)


def braced(text, at):
    """The end (after the closing brace) of the C++ block opening at text[at]."""
    depth = 0
    for m in TOKEN.finditer(text, at):
        if m.lastgroup == "punct":
            if m.group() == "{":
                depth += 1
            elif m.group() == "}":
                depth -= 1
                if depth == 0:
                    return m.end()
    return len(text)


def generator_code(text, scanner):
    """The C++ parts of a bison (.y) or flex (.l) file: the %{ %} and %code
    blocks, each rule's action and what follows the second %%. Returns the
    ranges and the offsets of the actions' opening braces."""
    keep, actions = [], set()
    lines = text.splitlines(True)
    offsets, at = [], 0
    for line in lines:
        offsets.append(at)
        at += len(line)
    section, i = 0, 0
    while i < len(lines):
        line, start = lines[i], offsets[i]
        stripped = line.strip()
        if stripped == "%%":
            section += 1
            i += 1
            if section == 2:
                keep.append((offsets[i] if i < len(lines) else len(text), len(text)))
                break
            continue
        if stripped == "%{":
            j = i + 1
            while j < len(lines) and lines[j].strip() != "%}":
                j += 1
            keep.append((offsets[i + 1] if i + 1 < len(lines) else len(text), offsets[j] if j < len(lines) else len(text)))
            i = j + 1
            continue
        if section == 0 and stripped.startswith("%code"):
            b = text.index("{", start)
            end = braced(text, b)
            keep.append((b + 1, end - 1))
            i = text.count("\n", 0, end) + 1
            continue
        if section == 1:
            # Scanner rules: a pattern up to the first blank outside quotes and
            # classes, then the action. Grammar rules: actions in braces, the
            # rest symbols and quoted tokens.
            k = start
            if scanner and not line[:1].isspace():
                quoted = bracket = False
                while k < start + len(line) and (quoted or bracket or not text[k].isspace()):
                    c = text[k]
                    if c == "\\":
                        k += 1
                    elif quoted:
                        quoted = c != '"'
                    elif bracket:
                        bracket = c != "]"
                    elif c == '"':
                        quoted = True
                    elif c == "[":
                        bracket = True
                    k += 1
            end_of_line = start + len(line)
            last = i  # the line the rule ends on
            while k < end_of_line:
                c = text[k]
                if c in "\"'" and not scanner:
                    m = TOKEN.match(text, k)
                    k = m.end() if m and m.lastgroup in ("string", "char") else k + 1
                    continue
                if c == "/" and text.startswith("//", k):
                    break
                if c == "{":
                    end = braced(text, k)
                    keep.append((k, end))
                    actions.add(k)
                    k = end
                    line_of_end = text.count("\n", 0, end)
                    if line_of_end > last:
                        last = line_of_end  # the action ran over lines: scan the rest of its last line
                        end_of_line = offsets[last] + len(lines[last])
                    continue
                if scanner and not c.isspace():
                    # An action that is a bare statement runs to the end of the line.
                    keep.append((k, end_of_line))
                    break
                k += 1
            i = last + 1
            continue
        i += 1
    return keep, actions


def code_of(path, text):
    if path.endswith(".y") or path.endswith(".l"):
        keep, actions = generator_code(text, path.endswith(".l"))
        return blank(text, keep), actions
    return text, set()


# --- tokens and scopes --------------------------------------------------------


def tokenize(code):
    tokens = []
    line = 1
    line_start_directive = True
    pos = 0
    n = len(code)
    while pos < n:
        # Preprocessor lines (with their continuations) are left alone.
        if line_start_directive:
            m = re.match(r"[ \t]*#", code[pos:pos + 200])
            if m:
                end = pos
                while True:
                    nl = code.find("\n", end)
                    if nl < 0:
                        end = n
                        break
                    if code[nl - 1] == "\\":
                        end = nl + 1
                        continue
                    end = nl
                    break
                line += code.count("\n", pos, end)
                pos = end
                continue
        m = TOKEN.match(code, pos)
        kind, text = m.lastgroup, m.group()
        if kind in ("space", "comment"):
            breaks = text.count("\n")
            line += breaks
            if breaks:
                line_start_directive = True
            pos = m.end()
            continue
        line_start_directive = False
        tokens.append(Token(kind, text, m.start(), m.end(), line))
        pos = m.end()
    return tokens


def matching(tokens, i, step):
    """The index of the bracket matching tokens[i], or None."""
    pairs = {"(": ")", "[": "]", "{": "}"}
    if step > 0:
        open_, close = tokens[i].text, pairs[tokens[i].text]
    else:
        close = tokens[i].text
        open_ = next(o for o, c in pairs.items() if c == close)
    depth = 0
    j = i
    while 0 <= j < len(tokens):
        t = tokens[j].text
        if t == open_:
            depth += step
        elif t == close:
            depth -= step
        if depth == 0:
            return j
        j += step
    return None


def mark_templates(tokens):
    """Marks the angle brackets of template names (vector<int>, static_cast<float>)."""
    allowed = {"::", ",", "*", "&", "const", "unsigned", "long", "short", "signed", "..."}
    for i, t in enumerate(tokens):
        if t.text != "<" or i == 0:
            continue
        prev = tokens[i - 1]
        if prev.kind != "ident" and prev.text != ">":
            continue
        if prev.text == "operator":
            continue
        depth, parens, j = 1, 0, i + 1
        inner = []
        while j < len(tokens) and depth > 0:
            u = tokens[j]
            if u.text == "<":
                depth += 1
                inner.append(j)
            elif u.text == ">":
                depth -= 1
                inner.append(j)
            elif u.text == ">>":
                depth -= 2
                inner.append(j)
            elif u.text == "(":
                parens += 1
            elif u.text == ")":
                parens -= 1
                if parens < 0:
                    break
            elif not (u.kind in ("ident", "number") or u.text in allowed or u.text == ")"):
                break
            j += 1
        if depth <= 0 and parens == 0:
            t.template = True
            for k in inner:
                tokens[k].template = True


def return_kind(decl):
    """How a function declared by these tokens returns early: "return;",
    "return {};" or None (a reference or a deduced type: left alone)."""
    # The declarator's name: the tokens before the first parenthesis outside
    # template brackets.
    angle = 0
    first = None
    for k, t in enumerate(decl):
        if t.template and t.text == "<":
            angle += 1
        elif t.template and t.text in (">", ">>"):
            angle -= 1 if t.text == ">" else 2
        elif t.text == "(" and angle == 0:
            first = k
            break
    if first is None or first == 0:
        return None
    k = first - 1
    if decl[k].text in ("==", "!=", "<", ">", "<=", ">=", "=", "+", "-", "*", "/", "[", "]", "()", "+=", "-="):
        return None  # an operator: its type is somewhere else
    # Walk back over a qualified name (A::B::name, ~Name).
    while k > 0 and decl[k - 1].text in ("::", "~"):
        k -= 2 if decl[k - 1].text == "::" else 1
    rest = [t.text for t in decl[:max(k, 0)] if t.text not in SPECIFIERS]
    if rest and rest[0] == "template":
        depth = 0
        for m, t in enumerate(rest):
            if t == "<":
                depth += 1
            elif t == ">":
                depth -= 1
                if depth == 0:
                    rest = rest[m + 1:]
                    break
    if not rest or rest == ["void"]:
        return "return;"
    if rest[-1] in ("&", "&&") or "auto" in rest or "operator" in rest:
        return None
    return "return {};"


def walk_scopes(tokens, actions):
    """Gives each token its brace scope and its parenthesis depth there."""
    top = Scope("namespace")
    scope, depth = top, 0
    stack = []  # (scope, depth) to go back to at each closing brace
    decl_start = 0  # where the current declaration at namespace or class level began
    for i, t in enumerate(tokens):
        t.scope, t.depth = scope, depth
        x = t.text
        if x in ("(", "["):
            depth += 1
        elif x in (")", "]"):
            depth -= 1
        elif x == "{":
            kind, returns = "block", None
            prev = tokens[i - 1] if i > 0 else None
            p = prev.text if prev else ";"
            if t.start in actions:
                kind = "action"
            elif scope.function() is None and scope.kind not in ("init", "block"):
                decl = tokens[decl_start:i]
                words = [d.text for d in decl]
                if "namespace" in words or (words[:1] == ["extern"] and len(words) <= 2):
                    kind = "namespace"
                elif p in ("=", ",", "(", "return") or (prev and prev.kind in ("ident", "number") and "(" not in words):
                    kind = "init"
                elif any(w in ("class", "struct", "union", "enum") for w in words[:3]) and "(" not in words:
                    kind = "class"
                elif "(" in words:
                    kind, returns = "function", return_kind(decl)
                else:
                    kind = "init"
            else:
                if p == ")":
                    j = matching(tokens, i - 1, -1)
                    before = tokens[j - 1].text if j and j > 0 else ""
                    kind = "lambda" if before == "]" else "block"
                elif p in ("]", "mutable") or (prev and prev.kind == "ident" and i > 1 and tokens[i - 2].text == "->"):
                    kind = "lambda"
                elif p in ("else", "do", "try", "{", "}", ";", ":"):
                    kind = "block"
                else:
                    kind = "init"
            stack.append((scope, depth))
            scope, depth = Scope(kind, returns, scope), 0
            decl_start = i + 1
        elif x == "}":
            if stack:
                scope, depth = stack.pop()
            decl_start = i + 1
        elif x == ";" and depth == 0:
            decl_start = i + 1
        elif x == ":" and i > 0 and tokens[i - 1].text in ("public", "private", "protected"):
            decl_start = i + 1
    return top


def statement_starts(tokens):
    """Indices of tokens that begin a statement in a function body, with
    whether the statement is the body of an if, for, while or else."""
    starts = []
    for i, t in enumerate(tokens):
        if i == 0 or t.depth != 0 or t.scope.function() is None or t.scope.kind == "init":
            continue
        if t.text in NOT_A_STATEMENT_START:
            continue
        p = tokens[i - 1]
        sub = False
        if p.text in (";", "{"):
            pass
        elif p.text == "}":
            # A closing brace's scope is the one it closes: after a block a
            # statement may start, after an initialiser or a lambda not.
            if p.scope.kind not in ("block", "function", "action"):
                continue
        elif p.text == "else":
            sub = True
        elif p.text == ")":
            j = matching(tokens, i - 1, -1)
            if j is None or j == 0 or tokens[j - 1].text not in ("if", "for", "while"):
                continue
            # a do-while's condition ends the statement instead
            if tokens[j - 1].text == "while" and j >= 2 and tokens[j - 2].text == "}":
                k = matching(tokens, j - 2, -1)
                if k and k > 0 and tokens[k - 1].text == "do":
                    continue
            sub = True
        else:
            continue
        starts.append((i, sub))
    return starts


def statement_end(tokens, i):
    """The index of the semicolon ending the simple statement at i, or None."""
    depth = 0
    for j in range(i, len(tokens)):
        x = tokens[j].text
        if x in ("(", "[", "{"):
            if x == "{" and depth == 0 and tokens[j].start not in ():
                # a brace at the statement's own level: a compound statement,
                # unless it is an initialiser or a lambda inside an expression
                if j > i and tokens[j - 1].text not in ("=", ",", "(", "]", ")", "return") and tokens[j - 1].kind != "ident":
                    return None
            depth += 1
        elif x in (")", "]", "}"):
            depth -= 1
            if depth < 0:
                return None
        elif x == ";" and depth == 0:
            return j
    return None


def is_simple_statement(tokens, i, end):
    """Whether tokens[i:end+1] is a statement worth dropping: a call, an
    assignment, a count, a delete or new, a break, a continue or a bare return."""
    first = tokens[i]
    x = first.text
    if x in ("break", "continue"):
        return end == i + 1
    if x == "return":
        return end == i + 1
    if x in ("++", "--", "*", "delete", "new", "this", "::", "("):
        return True
    if first.kind != "ident" or x in DECLARING:
        return False
    j = i
    while j + 2 <= end and tokens[j + 1].text == "::" and tokens[j + 2].kind == "ident":
        j += 2
    if j + 1 <= end and tokens[j + 1].template and tokens[j + 1].text == "<":
        depth = 0
        for k in range(j + 1, end):
            if tokens[k].template:
                depth += {"<": 1, ">": -1, ">>": -2}.get(tokens[k].text, 0)
                if depth <= 0:
                    j = k
                    break
        else:
            return False
    return j + 1 <= end and tokens[j + 1].text in ASSIGNING


def declares(cond):
    """Whether a condition declares a variable (if (Node *n = ...)): one that
    cannot be negated."""
    for k, t in enumerate(cond):
        if t.text == ";":
            return True
        if t.text == "=" and t.depth == cond[0].depth and k >= 2:
            return cond[k - 1].kind == "ident" and (cond[k - 2].kind == "ident" or cond[k - 2].text in ("*", "&", ">"))
    return False


# --- places ------------------------------------------------------------------


class Place:
    __slots__ = ("op", "path", "line", "start", "end", "choices")

    def __init__(self, op, path, line, start, end, choices):
        self.op, self.path, self.line, self.start, self.end, self.choices = op, path, line, start, end, choices


FLIPS = {"<": ["<=", ">"], "<=": ["<", ">="], ">": [">=", "<"], ">=": [">", "<="], "==": ["!="], "!=": ["=="]}


def changed_numbers(text):
    """The literal's neighbours: one up and one down, in the same spelling."""
    m = re.fullmatch(r"(0[xX][0-9a-fA-F]+|\d+)([uUlL]*)", text)
    if m:
        digits, suffix = m.groups()
        if digits.lower().startswith("0x"):
            v = int(digits, 16)
            spell = (lambda n: "0x%X" % n) if any(c.isupper() for c in digits[2:]) else (lambda n: "0x%x" % n)
        else:
            v = int(digits)
            spell = str
        if v == 0:
            return [spell(1) + suffix]
        return [spell(v + 1) + suffix, spell(v - 1) + suffix]
    m = re.fullmatch(r"((?:\d+\.?\d*|\.\d+)(?:[eE][+-]?\d+)?)([fFlL]?)", text)
    if not m:
        return []
    body, suffix = m.groups()
    v = decimal.Decimal(body)
    if v == 0:
        return ["1.0" + suffix]
    step = decimal.Decimal(1).scaleb(math.floor(math.log10(float(v))))
    out = []
    for w in (v + step, v - step):
        s = format(w.normalize(), "f")
        if "." not in s:
            s += ".0"
        out.append(s + suffix)
    return out


def places_in(path, text):
    code, actions = code_of(path, text)
    tokens = tokenize(code)
    mark_templates(tokens)
    walk_scopes(tokens, actions)
    out = []

    def add(op, a, b, choices):
        line = code.count("\n", 0, a) + 1
        if code.count("\n", a, b):
            return  # one line only
        if " => " in text.split("\n")[line - 1]:
            return  # the list's own separator
        out.append(Place(op, path, line, a, b, choices))

    for i, t in enumerate(tokens):
        in_function = t.scope.function() is not None
        prev = tokens[i - 1].text if i else ""
        if t.text in FLIPS and not t.template and prev != "operator":
            add("flip", t.start, t.end, FLIPS[t.text])
        elif t.kind == "number":
            choices = changed_numbers(t.text)
            if choices:
                add("constant", t.start, t.end, choices)
        elif t.text in ("&&", "||") and in_function:
            add("logic", t.start, t.end, ["||" if t.text == "&&" else "&&"])
        elif t.text in ("if", "while") and in_function and i + 1 < len(tokens) and tokens[i + 1].text == "(":
            j = matching(tokens, i + 1, 1)
            if j and not declares(tokens[i + 2:j]):
                a, b = tokens[i + 1].end, tokens[j].start
                add("negate", a, b, ["!(" + code[a:b] + ")"])
    for i, sub in statement_starts(tokens):
        end = statement_end(tokens, i)
        t = tokens[i]
        if end is not None and is_simple_statement(tokens, i, end):
            add("drop", t.start, tokens[end].end, ["{}" if sub else ""])
        f = t.scope.function()
        if not sub and f is not None and f.returns and f.kind == "function":
            first_on_line = i == 0 or tokens[i - 1].line != t.line
            if first_on_line and t.text not in ("{", "return"):
                add("return", t.start, t.start, [f.returns + " "])
    return out


def source_files(tree):
    files = []
    for root, dirs, names in os.walk(os.path.join(tree, "src")):
        dirs.sort()
        for name in sorted(names):
            if name.endswith(SOURCE_EXTENSIONS):
                files.append(os.path.relpath(os.path.join(root, name), tree))
    return sorted(files)


def all_places(tree):
    places = {op: [] for op in OPERATORS}
    texts = {}
    for path in source_files(tree):
        with open(os.path.join(tree, path), encoding="utf-8") as f:
            texts[path] = f.read()
        for p in places_in(path, texts[path]):
            places[p.op].append(p)
    return places, texts


def fault_line(place, choice, text):
    lines = text.split("\n")
    n = place.line - 1
    line = lines[n]
    line_start = sum(len(l) + 1 for l in lines[:n])
    a, b = place.start - line_start, place.end - line_start
    new = line[:a] + choice + line[b:]
    return "%s:%d: %s => %s" % (place.path, place.line, line.strip(), new.strip())


def sample(tree, count, seed):
    places, texts = all_places(tree)
    rng = random.Random(seed)
    left = {op: list(range(len(p))) for op, p in places.items() if p}
    faults = []
    while len(faults) < count and left:
        op = rng.choice(sorted(left))
        k = left[op].pop(rng.randrange(len(left[op])))
        if not left[op]:
            del left[op]
        place = places[op][k]
        choice = rng.choice(place.choices)
        faults.append((op, fault_line(place, choice, texts[place.path])))
    return faults


# --- applying a fault ----------------------------------------------------------


def parse_fault(line):
    """(file, line number or None, text, replacement) of one list line."""
    m = re.match(r"([^:\s]+)(?::(\d+))?: (.*)$", line)
    if not m:
        return None
    path, number, rest = m.group(1), m.group(2), m.group(3)
    if rest.endswith(" =>"):
        frm, to = rest[:-3], ""
    elif " => " in rest:
        frm, to = rest.split(" => ", 1)
    else:
        return None
    return path, int(number) if number else None, frm, to


def apply(tree, fault):
    parsed = parse_fault(fault)
    if not parsed:
        return False
    path, number, frm, to = parsed
    full = os.path.join(tree, path)
    if not os.path.isfile(full):
        return False
    with open(full, encoding="utf-8") as f:
        text = f.read()
    if number is None:
        if text.count(frm) != 1:
            return False
        text = text.replace(frm, to)
    else:
        lines = text.split("\n")
        if number > len(lines) or lines[number - 1].strip() != frm:
            return False
        line = lines[number - 1]
        indent = line[: len(line) - len(line.lstrip())]
        lines[number - 1] = indent + to if to else ""
        text = "\n".join(lines)
    with open(full, "w", encoding="utf-8") as f:
        f.write(text)
    return True


# --- object digests -------------------------------------------------------------


def object_digests(build, newer_than=None):
    """Digest of every object file under BUILD (or of those written after the
    time given) without its debug sections: two builds of a translation unit
    that differ only in line numbers or columns give the same digest."""
    digests = {}
    with tempfile.TemporaryDirectory() as scratch:
        out = os.path.join(scratch, "o")
        for root, dirs, names in os.walk(build):
            for name in names:
                if not name.endswith(".o"):
                    continue
                path = os.path.join(root, name)
                if newer_than is not None and os.path.getmtime(path) <= newer_than:
                    continue
                r = subprocess.run(["objcopy", "--strip-debug", "--remove-section=.comment", path, out],
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                src = out if r.returncode == 0 else path
                with open(src, "rb") as f:
                    digests[os.path.relpath(path, build)] = hashlib.sha256(f.read()).hexdigest()
    return digests


def main(argv):
    if len(argv) >= 4 and argv[0] == "sample":
        tree, count, seed = argv[1], int(argv[2]), int(argv[3])
        print("# %d one-line faults drawn with seed %d by scripts/mutants.py" % (count, seed))
        for n, (op, fault) in enumerate(sample(tree, count, seed), 1):
            print("# %d %s" % (n, op))
            print(fault)
        return 0
    if len(argv) == 2 and argv[0] == "count":
        places, _ = all_places(argv[1])
        for op in OPERATORS:
            print("%-9s %5d" % (op, len(places[op])))
        return 0
    if len(argv) == 3 and argv[0] == "apply":
        return 0 if apply(argv[1], argv[2]) else 1
    if len(argv) == 4 and argv[0] == "same":
        kept = {}
        with open(argv[2]) as f:
            for line in f:
                digest, path = line.rstrip("\n").split(" ", 1)
                kept[path] = digest
        now = object_digests(argv[1], os.path.getmtime(argv[3]))
        return 0 if all(kept.get(path) == digest for path, digest in now.items()) else 1
    if len(argv) == 2 and argv[0] == "objects":
        for path, digest in sorted(object_digests(argv[1]).items()):
            print(digest, path)
        return 0
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
