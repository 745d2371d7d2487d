# Sourced by every script that needs what a minimal Debian lacks.  The
# script names each command it needs with need, and the needs of a script
# it calls with needsof, then calls needed.  Given --needs, needed prints
# the Debian packages that this machine lacks and exits; given --needs-all,
# every package the script needs; otherwise it fails, naming the packages
# missing, if any are, before the script does anything.  .ci/run installs
# the union of what its scripts lack.
missing= all=
need() {	# COMMAND [PACKAGE]
	all="$all ${2:-$1}"
	command -v "$1" >/dev/null || missing="$missing ${2:-$1}"
}
needsof() {	# SCRIPT [ARGUMENT...]
	missing="$missing $(bash "$1" --needs "${@:2}")"
	all="$all $(bash "$1" --needs-all "${@:2}")"
}
needed() {	# SCRIPT no|--needs|--needs-all
	missing=$(echo $(printf '%s\n' $missing | sort -u))
	case $2 in
	--needs) echo $missing; exit 0 ;;
	--needs-all) echo $(printf '%s\n' $all | sort -u); exit 0 ;;
	esac
	[ -z "$missing" ] || { echo "$1: needs: apt-get install $missing" >&2; exit 2; }
}
