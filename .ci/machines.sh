# Sourced by the scripts that build for Debian's Linux machines: their
# names, as Debian has them, and for each its GNU triple and qemu-user's
# name for its processor.
machines="amd64 i386 armhf armel arm64 ppc64el s390x riscv64"
machine() {	# NAME: sets triple and cpu; fails for a name not here
	case $1 in
	amd64) triple=x86_64-linux-gnu cpu=x86_64 ;;
	i386) triple=i686-linux-gnu cpu=i386 ;;
	# armhf needs ARMv7; the Raspberry Pi 1 and Zero, ARMv6, run armel.
	armhf) triple=arm-linux-gnueabihf cpu=arm ;;
	armel) triple=arm-linux-gnueabi cpu=arm ;;
	arm64) triple=aarch64-linux-gnu cpu=aarch64 ;;
	ppc64el) triple=powerpc64le-linux-gnu cpu=ppc64le ;;
	s390x) triple=s390x-linux-gnu cpu=s390x ;;
	riscv64) triple=riscv64-linux-gnu cpu=riscv64 ;;
	*) return 1 ;;
	esac
}
