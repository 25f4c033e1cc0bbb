#pragma once
// Translation markers, one pair per text domain. The catalogue completeness
// test extracts texts with exactly these keywords, so every user-visible
// text goes through one of them. The N_ forms only mark a text whose
// translation is looked up later.
#include "gettext/Translate.h"

#define QEL_TR(s) ::qel::translate(nullptr, s) // default domain "installer"
#define QEL_TR_INFO(s) ::qel::translate("lyninfo", s)
#define QEL_TR_AUX(s) ::qel::translate("qelaux", s)
#define QEL_TR_PAL(s) ::qel::translate("qelpal", s)
#define QEL_TR_TCLAP(s) ::qel::translate("tclap", s)

#define QEL_N(s) s
#define QEL_N_INFO(s) s
#define QEL_N_AUX(s) s
#define QEL_N_PAL(s) s
#define QEL_N_TCLAP(s) s
