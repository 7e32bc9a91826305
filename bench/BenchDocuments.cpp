#include "BenchDocuments.h"

namespace aro::bench {

const char* DenseTextDocument() {
    return R"PS(%!PS-Adobe-3.0
%%Title: Statement of account (benchmark)
%%Pages: 20
%%EndComments
/words [(the) (invoice) (of) (account) (payment) (delivery) (customer) (reference)
  (quantity) (1,234.56) (EUR) (42) (total) (and) (for) (statement) (balance) (due)
  (calibration) (instrument) (order) (number) (to) (with) (2026-12-07) (net) (VAT)] def
/body /Times-Roman findfont 9 scalefont def
/small /Helvetica findfont 7 scalefont def
/head /Helvetica-Bold findfont 13 scalefont def
20261207 srand
/fillline { % y -> : a line of words across the text column
  56 exch moveto
  { currentpoint pop 520 gt { exit } if words rand words length mod get show ( ) show } loop
} def
1 1 20 {
  /page exch def
  << /PageSize [595 842] >> setpagedevice
  head setfont 56 800 moveto (Statement of account, page ) show page 3 string cvs show
  0.5 setlinewidth 56 792 moveto 483 0 rlineto stroke
  body setfont
  780 -11 70 { fillline } for
  small setfont 56 50 moveto (Northwind Instruments Ltd. - Quay Street 12 - Bristol) show
  showpage
} for
%%EOF
)PS";
}

const char* LinkedTextDocument() {
    return R"PS(%!PS-Adobe-3.0
%%Title: Manual with links (benchmark)
%%Pages: 20
%%EndComments
/words [(the) (printer) (of) (output) (folder) (settings) (module) (reference)
  (page) (band) (file) (42) (name) (and) (for) (section) (hive) (value)] def
/body /Times-Roman findfont 9 scalefont def
/head /Helvetica-Bold findfont 13 scalefont def
20261208 srand
/fillline { % y -> : a line of words, every seventh or so a blue link
  56 exch moveto
  { currentpoint pop 500 gt { exit } if
    rand 7 mod 0 eq { 0 0 0.8 setrgbcolor (see section 4.2) show 0 setgray }
                    { words rand words length mod get show } ifelse
    ( ) show } loop
} def
1 1 20 {
  /page exch def
  << /PageSize [595 842] >> setpagedevice
  head setfont 56 800 moveto (Administrator's manual, page ) show page 3 string cvs show
  body setfont
  780 -11 70 { fillline } for
  showpage
} for
%%EOF
)PS";
}

const char* ColourDocument() {
    return R"PS(%!PS-Adobe-3.0
%%Title: Colour brochure page (benchmark)
%%Pages: 1
%%EndComments
<< /PageSize [595 842] >> setpagedevice
/axial { % x0 y0 x1 y1 [c0] [c1] -> shading dictionary
  /c1 exch def /c0 exch def 4 array astore /coords exch def
  << /ShadingType 2 /ColorSpace /DeviceRGB /Coords coords
     /Function << /FunctionType 2 /Domain [0 1] /C0 c0 /C1 c1 /N 1 >> /Extend [true true] >>
} def
/radial { % x y r [c] -> shading dictionary
  /c exch def /r exch def /y exch def /x exch def
  << /ShadingType 3 /ColorSpace /DeviceRGB /Coords [x y 0 x y r]
     /Function << /FunctionType 2 /Domain [0 1] /C0 c /C1 [1 1 1] /N 1 >> >>
} def
% sky behind the top half, sand below it
gsave 0 421 595 421 rectclip 0 842 0 421 [0.3 0.55 0.95] [0.98 0.9 0.72] axial shfill grestore
gsave 0 0 595 421 rectclip 0 421 0 0 [0.99 0.97 0.9] [0.85 0.8 0.7] axial shfill grestore
% soft round shapes
[[140 640 110 [0.9 0.2 0.2]] [300 690 90 [0.2 0.75 0.3]] [450 610 120 [0.2 0.3 0.9]]]
{ aload pop radial shfill } forall
% a photo-like picture: a noisy warm gradient
/samples 180 def
/rowdata samples 3 mul string def
7 srand
gsave 330 180 translate 220 160 scale
samples 120 8 [samples 0 0 -120 0 120]
{ 0 1 samples 1 sub {
    /x exch def
    rowdata x 3 mul x 255 mul samples idiv rand 48 mod add 255 2 copy gt { exch } if pop put
    rowdata x 3 mul 1 add 120 rand 64 mod add put
    rowdata x 3 mul 2 add 255 x 255 mul samples idiv sub rand 32 mod add 255 2 copy gt { exch } if pop put
  } for rowdata }
false 3 colorimage
grestore
% a bar chart
0 1 7 { /i exch def
  i 8 div 0.8 1 i 8 div sub setrgbcolor
  60 i 30 mul add 180 22 i 7 mul 13 mod 1 add 14 mul rectfill
} for
0 setgray 1 setlinewidth 55 178 moveto 250 0 rlineto stroke
% headline and body text in colour
/Helvetica-Bold findfont 28 scalefont setfont 0.1 0.15 0.5 setrgbcolor
56 780 moveto (Northwind Instruments) show
/Times-Roman findfont 10 scalefont setfont 0.25 0.1 0.1 setrgbcolor
160 -13 60 { 56 exch moveto (Calibration, measurement and service for laboratories since 1962.) show } for
showpage
%%EOF
)PS";
}

}  // namespace aro::bench
