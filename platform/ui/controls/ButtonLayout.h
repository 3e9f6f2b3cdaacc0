// Where a button's glyph sits beside its caption. One enumeration for every
// button family (the framework's, the skinned and the themed ones), so that
// a form using buttons of several families sees one set of names.
#pragma once

enum TButtonLayout { blGlyphLeft = 0, blGlyphRight = 1, blGlyphTop = 2, blGlyphBottom = 3 };
