#!/usr/bin/env node
// Writes vectors.txt: patterns and subjects with the matches, indexes,
// sub-matches and replacement results of Node.js's RegExp without the `u`
// flag, for the differential test of the regular-expression object.
//
//   node generate_vectors.js > vectors.txt
//
// The random patterns keep to what both sides read alike: no look-behind,
// named groups or later flags; subjects hold no carriage return, U+2028,
// U+2029 or non-ASCII white space, and no non-ASCII letter under IgnoreCase;
// a repeated group never holds a capturing group and never matches empty;
// back references point only at groups that opened before them; \c is
// always followed by a letter. The cases where the two dialects do differ are
// written as "K" records, one per documented difference.
//
// Record kinds, fields separated by tabs, texts escaped (printable ASCII
// but "\" as is, every other unit as \uXXXX, an unset sub-match as \-):
//   V flags pattern subject replacement replaced groups count {index value sub...}...
//   E flags pattern                 (Node refuses the pattern)
//   K name flags pattern subject    (a documented difference)
'use strict';

let seed = 20240611;
function random() {  // xorshift32: the same file on every run
  seed ^= seed << 13; seed >>>= 0;
  seed ^= seed >>> 17;
  seed ^= seed << 5; seed >>>= 0;
  return seed / 4294967296;
}
const pick = (list) => list[Math.floor(random() * list.length)];
const chance = (p) => random() < p;

function escape(text) {
  if (text === undefined) return '\\-';
  let out = '';
  for (let i = 0; i < text.length; ++i) {
    const c = text.charCodeAt(i);
    out += c > 0x20 && c < 0x7f && c !== 0x5c ? text[i] : '\\u' + c.toString(16).toUpperCase().padStart(4, '0');
  }
  return out;
}

const PLAIN = ['a', 'b', 'c', 'x', 'A', 'B', '1', '2', '0', ' ', '_', '-', ',', '\u00e9', '\u4e2d'];
const ESCAPED = ['\\.', '\\*', '\\+', '\\?', '\\(', '\\)', '\\[', '\\]', '\\{', '\\}', '\\|', '\\^', '\\$', '\\/',
                 '\\-', '\\\\'];
const UNIT_ESCAPES = ['\\t', '\\n', '\\v', '\\f', '\\x41', '\\x62', '\\u0063', '\\u00e9', '\\cJ', '\\ci', '\\0',
                      '\\x4', '\\u12', '\\q', '\\e', '\\z', '\\M'];
const SHORTHANDS = ['\\d', '\\D', '\\w', '\\W', '\\s', '\\S'];

function classItem() {
  switch (Math.floor(random() * 6)) {
    case 0: return pick(['a-c', 'x-z', '0-9', 'A-Z', ' -/', '\\x20-\\x2f']);
    case 1: return pick(SHORTHANDS);
    case 2: return pick(['\\b', '\\-', '\\]', '\\\\', '\\n', '\\t', '\\x41', '^', '.', '*', '(', '$', '|']);
    default: return pick(PLAIN.filter((c) => c !== '-'));
  }
}

function characterClass() {
  let body = '';
  const items = 1 + Math.floor(random() * 3);
  for (let i = 0; i < items; ++i) body += classItem();
  if (body.startsWith('^')) body = '\\' + body;
  return '[' + (chance(0.3) ? '^' : '') + body + ']';
}

// One atom that always consumes at least one unit.
function consumingAtom() {
  switch (Math.floor(random() * 6)) {
    case 0: return '.';
    case 1: return characterClass();
    case 2: return pick(SHORTHANDS);
    case 3: return pick(ESCAPED.concat(UNIT_ESCAPES.filter((e) => e !== '\\0')));
    default: return pick(PLAIN);
  }
}

function quantifier(allowEmpty) {
  const forms = allowEmpty ? ['*', '+', '?', '{2}', '{1,3}', '{0,2}', '{2,}'] : ['+', '{2}', '{1,3}', '{2,}'];
  return pick(forms) + (chance(0.3) ? '?' : '');
}

class Generator {
  constructor() { this.groups = 0; this.closed = []; }

  // ctx.repeated: inside a group that is repeated (no capturing groups).
  // ctx.nonEmpty: every alternative must consume.
  disjunction(ctx, depth) {
    const alternatives = chance(0.25) ? 2 : 1;
    const parts = [];
    for (let i = 0; i < alternatives; ++i) parts.push(this.alternative(ctx, depth));
    return parts.join('|');
  }

  alternative(ctx, depth) {
    let out = ctx.nonEmpty ? consumingAtom() + (chance(0.3) ? pick(['+', '{1,2}']) : '') : '';
    const terms = Math.floor(random() * (depth > 1 ? 2 : 4));
    for (let i = 0; i < terms; ++i) out += this.term(ctx, depth);
    return out;
  }

  term(ctx, depth) {
    const roll = random();
    if (roll < 0.08) return pick(['^', '$', '\\b', '\\B']);
    if (roll < 0.14 && this.closed.length > 0) return '\\' + pick(this.closed);
    if (roll < 0.32 && depth < 3) return this.group(ctx, depth);
    return consumingAtom() + (chance(0.35) ? quantifier(true) : '');
  }

  group(ctx, depth) {
    const kind = pick(['(', '(', '(', '(?:', '(?=', '(?!']);
    const repeat = kind !== '(?=' && kind !== '(?!' && chance(0.4);
    if (kind === '(' && (ctx.repeated || repeat)) return this.group(ctx, depth);  // pick again
    const number = kind === '(' ? ++this.groups : 0;
    const inner = this.disjunction({repeated: ctx.repeated || repeat, nonEmpty: repeat}, depth + 1);
    if (number) this.closed.push(number);
    return kind + inner + ')' + (repeat ? quantifier(false) : '');
  }
}

function subjectFor(pattern, ignoreCase) {
  const letters = Array.from(new Set(pattern.replace(/[\\^$.*+?()[\]{}|]/g, '').split('')));
  const alphabet = letters.concat(['a', 'b', 'x', '1', ' ', '\n', '_', 'A']).filter(
      (c) => !(ignoreCase && c.charCodeAt(0) > 0x7e));
  let out = '';
  const length = Math.floor(random() * 14);
  for (let i = 0; i < length; ++i) out += pick(alphabet);
  return out;
}

function run(pattern, flags, subject, replacement) {
  const global = flags.includes('g');
  const base = flags.replace('g', '');
  const searcher = new RegExp(pattern, base + 'g');
  const matches = [];
  let start = 0;
  while (start <= subject.length) {
    searcher.lastIndex = start;
    const m = searcher.exec(subject);
    if (m === null) break;
    matches.push(m);
    if (!global) break;
    start = m[0].length === 0 ? m.index + 1 : m.index + m[0].length;
  }
  const replaced = subject.replace(new RegExp(pattern, base + (global ? 'g' : '')), replacement);
  const groups = new RegExp(pattern + '|').exec('').length - 1;
  const fields = ['V', flags || '-', escape(pattern), escape(subject), escape(replacement), escape(replaced),
                  String(groups), String(matches.length)];
  for (const m of matches) {
    fields.push(String(m.index));
    for (let g = 0; g <= groups; ++g) fields.push(escape(m[g]));
  }
  return fields.join('\t');
}

function accepted(pattern) {
  try { new RegExp(pattern); return true; } catch (e) { return false; }
}

const FLAGS = ['', 'g', 'i', 'm', 'gi', 'gm', 'im', 'gim'];
const REPLACEMENTS = ['-', '<$&>', '$1', '[$2|$1]', '$$', "$'", '$`', '$0', '$12', '$01', '$9x', 'x$'];
const lines = [];

// The dialect's constructs one by one, then random patterns.
const FIXED = [
  'abc', 'a.c', '^a', 'a$', '^$', 'a*', 'a+?', 'a{2}', 'a{2,}', 'a{1,2}?', 'a{,2}', 'x{', 'x{1', '{', '}', ']',
  'a|b|', '(a)(b)?', '(?:ab)+', 'a(?=b)', 'a(?!b)', '[^a-c]', '[]', '[^]', '[\\d-z]', '[a-\\d]', '[-a]', '[a-]',
  '[\\b]', '\\bx', 'x\\B', '\\d+', '\\W', '\\s\\S', '\\t\\n\\v\\f', '\\cJ', '\\cj', '\\x41', '\\x4g', '\\u0041',
  '\\u004', '(a)\\1', '(a)|\\1b', '\\1', '\\2', '\\8', '\\9', '\\12', '(a)\\12', '\\101', '\\0', '\\08', '\\377',
  '\\400', '\\A', '\\z', '\\M', '\\K', '\\Q', '\\p{L}', '[[:alpha:]]', 'a{2}b{0}', '(?:a|b)*c', '((a)b)c',
  '(a(b(c)))', '(a)|(b)', '.*', '.+?x', '\\w+@\\w+', '(\\d+)-(\\d+)', 'x*', '', '(?=(a))a', '(?!(a))b'];
for (const pattern of FIXED) {
  for (const flags of ['', 'g', 'gim']) {
    for (const subject of ['', 'abc', 'aAbB\n12 x', 'a{2}b\u00e9\u4e2d-_,', '\u0001\b\t\n\u000b\f a ab a\u0041']) {
      lines.push(run(pattern, flags, subject, pick(REPLACEMENTS)));
    }
  }
}
let written = 0;
while (written < 2400) {
  const generator = new Generator();
  const pattern = generator.disjunction({repeated: false, nonEmpty: false}, 0);
  if (!accepted(pattern)) continue;
  const flags = pick(FLAGS);
  for (let i = 0; i < 2; ++i) {
    lines.push(run(pattern, flags, subjectFor(pattern, flags.includes('i')), pick(REPLACEMENTS)));
    ++written;
  }
}
for (const pattern of ['*a', 'a**', 'a++', '+', '?', 'a|*', '(a', '((a)', '(?:a', 'a)', ')', '[a', '[a\\', '[b-a]',
                       '[\\x7a-a]', 'a{2,1}', '(?i)a', '(?<a', '(?', 'a\\', '^*', '$+', '\\b*', '{1}', 'a{1}{2}',
                       '(*)', 'x**?']) {
  if (accepted(pattern)) throw new Error('Node accepts ' + pattern);
  lines.push(['E', '-', escape(pattern)].join('\t'));
}
const KNOWN = [
  ['CapturesClearedOnRepetition', 'g', '(?:(a)|b)+', 'ab'],
  ['CapturesClearedOnRepetitionNested', '', '((a)|(b))+', 'ab'],
  ['EmptyRepetitionRejected', '', '(a*)*', 'b'],
  ['EmptyOptionalRejected', '', '(a*)?', 'b'],
  ['ForwardReference', '', '\\1(a)', 'a'],
  ['ControlWithoutLetter', '', '\\c1', '\\c1'],
  ['DotMatchesCarriageReturn', '', 'a.b', 'a\rb'],
  ['LineSeparatorIsNoLineEnd', 'm', '^b', 'a\u2028b'],
  ['CaseFoldingAsciiOnly', 'i', '\u00e9', '\u00c9'],
  ['SpaceAsciiOnly', '', '\\s', '\u00a0'],
];
for (const [name, flags, pattern, subject] of KNOWN) {
  lines.push(['K', name, flags || '-', escape(pattern), escape(subject)].join('\t'));
  lines.push(run(pattern, flags, subject, '<$1>').replace(/^V/, 'N'));
}
process.stdout.write(lines.join('\n') + '\n');
