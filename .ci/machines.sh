# Sourced by the scripts that build for Debian's Linux machines: their
# names, as Debian has them, and for each its GNU triple, the triple of its
# musl, and qemu-user's name for its processor.
machines="amd64 i386 armhf armel arm64 ppc64el s390x riscv64"
machine() {	# NAME: sets triple, musl and cpu; fails for a name not here
	case $1 in
	amd64) triple=x86_64-linux-gnu musl=x86_64-linux-musl cpu=x86_64 ;;
	i386) triple=i686-linux-gnu musl=i386-linux-musl cpu=i386 ;;
	# armhf needs ARMv7; the Raspberry Pi 1 and Zero, ARMv6, run armel.
	armhf) triple=arm-linux-gnueabihf musl=arm-linux-musleabihf cpu=arm ;;
	armel) triple=arm-linux-gnueabi musl=arm-linux-musleabi cpu=arm ;;
	arm64) triple=aarch64-linux-gnu musl=aarch64-linux-musl cpu=aarch64 ;;
	ppc64el) triple=powerpc64le-linux-gnu musl=powerpc64le-linux-musl cpu=ppc64le ;;
	s390x) triple=s390x-linux-gnu musl=s390x-linux-musl cpu=s390x ;;
	riscv64) triple=riscv64-linux-gnu musl=riscv64-linux-musl cpu=riscv64 ;;
	*) return 1 ;;
	esac
}
# The systems that build for them (.ci/system).  The static programs of the
# archives are built against musl in Debian 13, which has musl for every
# machine; Debian 12 has none for riscv64.  The Debian packages are built in
# Debian 12, whose C library Debian 13's also meets.
muslsuite=trixie debsuite=bookworm
syspackages() {	# musl|deb: the packages of that system
	local m list="g++ cmake make lintian"
	[ "$1" = musl ] || list="$list dpkg-dev file qemu-user"
	for m in $machines; do
		machine $m
		[ $m = amd64 ] || list="$list g++-$triple"
		[ "$1" = deb ] || list="$list musl-dev:$m"
	done
	echo "$list"
}
insystem() {	# musl|deb COMMAND: runs the bash command in that system, from
	# the repository's root, with this file read
	local suite=$muslsuite
	[ "$1" = musl ] || suite=$debsuite
	bash .ci/system $suite "$(syspackages "$1")" ". .ci/machines.sh; $2"
}
