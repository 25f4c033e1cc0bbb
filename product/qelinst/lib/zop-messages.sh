# zop-messages.sh: the messages and questions of the product's shell scripts
# in the user's language. Sourced by coreinstall, zop-status and
# zop-uninstall after they set "sbin" to the directory holding qel-gettext
# and "me" to their own name.
#
# Texts come from the catalogues of the text domain "zop" (the yes/no words
# from the installer's domain "lyninfo"), looked up by qel-gettext; without
# it a text stays English. Formats take printf conversions.

# tr_domain DOMAIN TEXT: the translation of TEXT.
tr_domain() {
    "$sbin/qel-gettext" "$1" "$2" 2>/dev/null || printf '%s' "$2"
}

# _ TEXT: the translation of TEXT in the product's domain.
_() {
    tr_domain zop "$1"
}

# say FORMAT [ARG...]: one line on standard output.
say() {
    zm_format=$(_ "$1")
    shift
    # shellcheck disable=SC2059 # the format is the translated text
    printf "$zm_format\n" "$@"
}

# warn FORMAT [ARG...]: one line on standard error, after the script's name.
warn() {
    zm_format=$(_ "$1")
    shift
    # shellcheck disable=SC2059
    printf "%s: $zm_format\n" "$me" "$@" >&2
}

# fail FORMAT [ARG...]: warn, then end with status 2.
fail() {
    warn "$@"
    exit 2
}

# ask_yes_no FORMAT [ARG...]: asks until the answer is one of the installer's
# yes/no words; status 0 for yes, 1 for no or the end of input.
ask_yes_no() {
    zm_format=$(_ "$1")
    shift
    zm_yes=$(tr_domain lyninfo yes) zm_y=$(tr_domain lyninfo y)
    zm_no=$(tr_domain lyninfo no) zm_n=$(tr_domain lyninfo n)
    while :; do
        # shellcheck disable=SC2059
        printf "$zm_format (%s/%s/%s/%s) " "$@" "$zm_yes" "$zm_y" "$zm_no" "$zm_n"
        if ! read -r zm_answer; then
            echo
            return 1
        fi
        case "$zm_answer" in
            "$zm_yes" | "$zm_y") return 0 ;;
            "$zm_no" | "$zm_n") return 1 ;;
        esac
    done
}
