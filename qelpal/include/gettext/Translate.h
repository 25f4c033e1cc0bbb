#pragma once
// The one translation lookup. Catalogues may come from the user's own
// directory (QEL_I18N_DIR), also into a run with root rights, so a
// translation is trusted as a printf format only when it asks for exactly
// the arguments its original asks for.
namespace qel {

// The translation of msgid in domain (nullptr: the default domain). A
// translation whose printf conversions differ from those of msgid, or that
// holds %n, is not used: msgid itself is returned.
const char* translate(const char* domain, const char* msgid) __attribute__((format_arg(2)));

// Whether translation takes the same arguments as original: the same
// argument positions with the same types, where a positional form such as
// "%2$s" may reorder them. A text that is no valid format for the C
// library's printf, or that holds %n, matches nothing.
bool sameConversions(const char* original, const char* translation);

} // namespace qel
