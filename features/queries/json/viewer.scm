; Appended after the grammar's highlights: they tag an object key first as a key and then as a
; string, and the last capture of a range decides its colour, so keys are tagged once more.
(pair
  key: (_) @property)
