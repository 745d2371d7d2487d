#include "frame.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#include <winternl.h>

// The shell expands no wildcards there; the runtime does, when asked to.
extern "C" {
int _dowildcard = -1;
}
#endif

const char IOERROR[] = "File IO Error\n";

static const char NOTICE[] = " - written by the Quorrel authors";

void fail(const char *msg)
{
	fflush(stdout);
	fputs(msg, stderr);
	exit(-1);
}

// Opening the output truncates it, so an input that is the output itself
// would be destroyed before a byte of it was read, and a directory, which
// may open as a file and fail only at the first read, would leave the
// output empty: both are refused first.  A console that is the output would
// be written into it, the banner first: a run that meets one writes
// nothing at all.  Only an output that does not exist and a stream that is
// closed or no disk file are known to meet nothing; where an identity can't
// be learnt, the run is refused as though they met.  outputid returns 1
// where the output exists (its identity in o), 0 where it does not, and -1
// where that can't be learnt.
#ifdef _WIN32
// stat has no inode numbers there; a volume serial and file index do the
// same.  They are asked of the file system itself, which needs no access to
// the file: a console redirected by the shell is a handle opened for
// writing only.  The 64-bit index is the one that every Windows has, 7
// included; where a file system's ids are longer, two files may share an
// index, which refuses a run, and a file never differs from itself.  Wine
// gives no volume serial for a handle that it took over from its Unix
// parent, such as a redirected console; the index decides alone then.
struct identity {
	ULONG volume;	// 0 where unknown
	LONGLONG index;
};

// Room for the longest label of NTFS and FAT; a longer one loses only the
// volume serial.
static const size_t LABELROOM = 32;

static bool identify(HANDLE h, identity *id)
{
	IO_STATUS_BLOCK io;
	FILE_INTERNAL_INFORMATION file;
	struct {
		FILE_FS_VOLUME_INFORMATION info;
		WCHAR label[LABELROOM];
	} volume;

	// A status below zero is a failure.
	if (NtQueryInformationFile(h, &io, &file, sizeof file, FileInternalInformation) < 0)
		return false;
	id->index = file.IndexNumber.QuadPart;
	id->volume = 0;
	if (NtQueryVolumeInformationFile(h, &io, &volume, sizeof volume, FileFsVolumeInformation) >= 0)
		id->volume = volume.info.VolumeSerialNumber;
	return true;
}

static int outputid(const char *outname, identity *o)
{
	HANDLE h = CreateFileA(outname, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
			       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);

	if (h == INVALID_HANDLE_VALUE)
		return GetLastError() == ERROR_FILE_NOT_FOUND ? 0 : -1;
	bool known = identify(h, o);
	CloseHandle(h);
	return known ? 1 : -1;
}

static bool same(FILE *f, const identity *o)
{
	HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)));
	identity a;

	if (GetFileType(h) != FILE_TYPE_DISK)
		return false;
	if (!identify(h, &a))
		return true;
	return a.index == o->index && (a.volume == o->volume || a.volume == 0 || o->volume == 0);
}

// The plain stat's 32-bit sizes there would fail on a large input.
static bool readable(FILE *in, const identity *o)
{
	struct _stat64 i;

	return _fstat64(_fileno(in), &i) == 0 && !S_ISDIR(i.st_mode) && !(o && same(in, o));
}

bool regularfile(FILE *f)
{
	struct _stat64 s;

	return _fstat64(_fileno(f), &s) == 0 && S_ISREG(s.st_mode);
}
#else
typedef struct stat identity;

static int outputid(const char *outname, identity *o)
{
	if (stat(outname, o) == 0)
		return 1;
	return errno == ENOENT ? 0 : -1;
}

static bool samefile(const struct stat *a, const identity *o)
{
	return a->st_dev == o->st_dev && a->st_ino == o->st_ino;
}

static bool same(FILE *f, const identity *o)
{
	struct stat a;

	if (fstat(fileno(f), &a) != 0)
		return errno != EBADF;
	return samefile(&a, o);
}

static bool readable(FILE *in, const identity *o)
{
	struct stat i;

	return fstat(fileno(in), &i) == 0 && !S_ISDIR(i.st_mode) && !(o && samefile(&i, o));
}

bool regularfile(FILE *f)
{
	struct stat s;

	return fstat(fileno(f), &s) == 0 && S_ISREG(s.st_mode);
}
#endif

static void flushconsole()
{
	if (fflush(stdout) != 0 || ferror(stdout))
		fail(IOERROR);
}

void frameopen(const tool *t, int argc, const char *const argv[], FILE **in, FILE **out)
{
	// A console that goes away must not cut the output short: the run
	// completes and the failed write to standard output decides the status.
	// A file-size limit, as build sandboxes set, fails the write instead of
	// killing the run without a word.
#ifdef SIGPIPE
	signal(SIGPIPE, SIG_IGN);
#endif
#ifdef SIGXFSZ
	signal(SIGXFSZ, SIG_IGN);
#endif
	identity o;
	int output = argc == 2 ? outputid(t->outname, &o) : 0;
	const identity *existing = output == 1 ? &o : nullptr;
	if (existing && (same(stdout, existing) || same(stderr, existing))) {
		if (!same(stderr, existing))
			fputs(IOERROR, stderr);
		exit(-1);
	}
	printf("%s%s\n", t->title, NOTICE);
	puts("THIS PROGRAM COMES WITH ABSOLUTLY NO WARRANTY");
	puts("PLEASE READ THE DOCUMENTATION FOR DETAILS");
	if (argc != 2) {
		puts(t->usage);
		flushconsole();
		exit(0);
	}
	*in = fopen(argv[1], t->inmode);
	if (!*in || output < 0 || !readable(*in, existing))
		fail(IOERROR);
	*out = fopen(t->outname, t->outmode);
	if (!*out)
		fail(IOERROR);
}

size_t readfull(void *buf, size_t n, FILE *in)
{
	// fread itself returns short only at end of input or on an error; asking
	// again after the end would wait on a terminal for a second end.
	size_t got = fread(buf, 1, n, in);

	if (ferror(in))
		fail(IOERROR);
	return got;
}

int framedone(FILE *in, FILE *out)
{
	// A full device often shows only at the last flush or at close.
	bool bad = fflush(out) != 0 || ferror(out);
	if (fclose(out) != 0 || bad)
		fail(IOERROR);
	fclose(in);
	// The console's error flag holds any write to it that failed, even
	// one followed by writes that went through: "Done" only after none.
	flushconsole();
	puts("Done");
	flushconsole();
	return 0;
}
