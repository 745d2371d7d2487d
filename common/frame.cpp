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

// Windows shells expand no wildcards in arguments.  The C runtime does it
// for the program, when this variable asks it to.
extern "C" {
int _dowildcard = -1;
}
#endif

static const char IOERROR[] = "File IO Error\n";
static const char NOTICE[] = " - written by the Quorrel authors";

void fail(const char *msg)
{
	fflush(stdout);
	fputs(msg, stderr);
	exit(-1);
}

// Opening the output truncates it.  So before that, refuse to run if the
// input, standard output or standard error is the output file, or if we
// can't tell: a run that reads the file it empties would destroy its own
// input, and one that writes its console into it would spoil the image.
// The input must not be a directory either, which may open as a file and
// fail only at the first read, after the output has been emptied.
// outputid learns the identity of an existing output file: it returns 1
// and the identity in o, 0 if there is no such file, or -1 if it can't
// tell.  same tells whether a stream is that file; a closed stream, or
// one that is no disk file, is not.
#ifdef _WIN32
// Windows has no inode numbers.  A volume serial number and a file index
// do the same job, and are asked of the file system itself, which needs
// no access to the file: a console that the shell redirected to a file is
// a handle opened for writing only.  The 64-bit index is the one that
// every Windows has, 7 included.  Where a file system's ids are longer,
// two files may share an index, which refuses a run, but a file never
// differs from itself.  Wine gives no volume serial for a handle that it
// took over from its Unix parent, such as a redirected console: then the
// index decides alone.
struct identity {
	ULONG volume;	// 0 where unknown
	LONGLONG index;
};

// Room for the longest volume label of NTFS and FAT; a longer one only
// loses the volume serial.
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

// The plain stat has 32-bit sizes there, which fail on a large file.
typedef struct _stat64 filestat;

static int statfile(FILE *f, filestat *s)
{
	return _fstat64(_fileno(f), s);
}
#else
typedef struct stat identity;
typedef struct stat filestat;

static int outputid(const char *outname, identity *o)
{
	if (stat(outname, o) == 0)
		return 1;
	return errno == ENOENT ? 0 : -1;
}

static int statfile(FILE *f, filestat *s)
{
	return fstat(fileno(f), s);
}

static bool same(FILE *f, const identity *o)
{
	filestat a;

	if (statfile(f, &a) != 0)
		return errno != EBADF;
	return a.st_dev == o->st_dev && a.st_ino == o->st_ino;
}
#endif

// Whether the input may be read: it is no directory, and not the output
// file o, if there is one.
static bool readable(FILE *in, const identity *o)
{
	filestat s;

	return statfile(in, &s) == 0 && !S_ISDIR(s.st_mode) && !(o && same(in, o));
}

bool regularfile(FILE *f)
{
	filestat s;

	return statfile(f, &s) == 0 && S_ISREG(s.st_mode);
}

static void flushconsole()
{
	if (fflush(stdout) != 0 || ferror(stdout))
		fail(IOERROR);
}

void frameopen(const tool *t, int argc, const char *const argv[], FILE **in, FILE **out)
{
	// If the console goes away, the run still completes the output file,
	// and the failed write to the console makes the status a failure.  A
	// file-size limit, as build sandboxes set, then fails a write too,
	// rather than killing the run without a word.
#ifdef SIGPIPE
	signal(SIGPIPE, SIG_IGN);
#endif
#ifdef SIGXFSZ
	signal(SIGXFSZ, SIG_IGN);
#endif
	identity o;
	int output = argc == 2 ? outputid(t->outname, &o) : 0;
	const identity *existing = output == 1 ? &o : nullptr;
	// A console that is the output file gets nothing written into it, not
	// even the banner; the message goes to standard error unless that is
	// the output file too.
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

size_t readorfail(void *buf, size_t n, FILE *in)
{
	// fread returns fewer bytes only at the end of the input or on an
	// error, so one call is enough.  A second call after the end would wait
	// for the user to end a terminal's input once more.
	size_t got = fread(buf, 1, n, in);

	if (ferror(in))
		fail(IOERROR);
	return got;
}

int framedone(FILE *in, FILE *out)
{
	// A full disk often shows only at the last flush or at the close.
	bool bad = fflush(out) != 0 || ferror(out);
	if (fclose(out) != 0 || bad)
		fail(IOERROR);
	fclose(in);
	// The console's error flag stays set after any write to it failed, even
	// if later writes went through: "Done" is written only if none failed.
	flushconsole();
	puts("Done");
	flushconsole();
	return 0;
}
