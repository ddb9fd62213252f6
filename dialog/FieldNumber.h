// The number a user typed into one of the dialog's fields.
#pragma once

// Leading white space is skipped; then an optional sign, digits, a decimal
// point and an exponent, or "inf" / "nan". Text that holds no number gives
// 0; a magnitude beyond float's range gives infinity. The decimal point is
// always '.', whatever C locale the host has set.
float ConvertFieldText(const char* text);
