// The PostScript documents the benchmarks print: realistic A4 pages that
// Ghostscript renders once into the bench cache.
#pragma once

namespace aro::bench {

// 20 pages of dense 9-point text with a heading and a rule: a statement
// of account, the kind of job the printer mostly sees.
const char* DenseTextDocument();

// One colour page: gradients, soft round shapes, a noisy photo-like image,
// a bar chart and coloured text.
const char* ColourDocument();

// 20 pages of a manual: dense 9-point text in which every few words are a
// blue link, the kind of document that should print in black and white.
const char* LinkedTextDocument();

constexpr int kDenseTextPages = 20;

}  // namespace aro::bench
