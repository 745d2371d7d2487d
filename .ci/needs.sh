# Sourced by every script that needs what a minimal Debian lacks: it names
# each command with need, then calls needed, which with --needs prints the
# Debian packages missing here and exits, and otherwise fails naming them,
# if any are, before the script does anything.  .ci/run installs the union.
missing=
need() { command -v "$1" >/dev/null || missing="$missing ${2:-$1}"; }	# COMMAND [PACKAGE]
needed() {	# SCRIPT yes|no: whether --needs was given
	missing=$(echo $(printf '%s\n' $missing | sort -u))
	[ "$2" = no ] || { echo $missing; exit 0; }
	[ -z "$missing" ] || { echo "$1: needs: apt-get install $missing" >&2; exit 2; }
}
