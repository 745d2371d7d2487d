#include "frame.h"

#include <cstdlib>

#ifdef _WIN32
#include <io.h>
#include <windows.h>

// The shell expands no wildcards there; the runtime does, when asked to.
extern "C" {
int _dowildcard = -1;
}
#else
#include <sys/stat.h>
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
// would be destroyed before a byte of it was read.
#ifdef _WIN32
// stat has no inode numbers there; a volume serial and file index do the same.
static bool isoutput(FILE *in, const char *outname)
{
	BY_HANDLE_FILE_INFORMATION a;
	BY_HANDLE_FILE_INFORMATION b;
	HANDLE h = CreateFileA(outname, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
			       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);

	if (h == INVALID_HANDLE_VALUE)
		return false;
	bool same = GetFileInformationByHandle(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(in))), &a) &&
		    GetFileInformationByHandle(h, &b) &&
		    a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
		    a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
	CloseHandle(h);
	return same;
}
#else
static bool isoutput(FILE *in, const char *outname)
{
	struct stat a;
	struct stat b;

	if (fstat(fileno(in), &a) != 0 || stat(outname, &b) != 0)
		return false;
	return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}
#endif

static void flushconsole()
{
	if (fflush(stdout) != 0 || ferror(stdout))
		fail(IOERROR);
}

void frameopen(const tool *t, int argc, char *argv[], FILE **in, FILE **out)
{
	printf("%s%s\n", t->title, NOTICE);
	puts("THIS PROGRAM COMES WITH ABSOLUTLY NO WARRANTY");
	puts("PLEASE READ THE DOCUMENTATION FOR DETAILS");
	if (argc != 2) {
		puts(t->usage);
		flushconsole();
		exit(0);
	}
	*in = fopen(argv[1], t->inmode);
	if (!*in || isoutput(*in, t->outname))
		fail(IOERROR);
	*out = fopen(t->outname, t->outmode);
	if (!*out)
		fail(IOERROR);
}

size_t readfull(void *buf, size_t n, FILE *in)
{
	size_t got = 0;

	while (got < n) {
		size_t r = fread(static_cast<char *>(buf) + got, 1, n - got, in);
		if (r == 0)
			break;
		got += r;
	}
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
	puts("Done");
	flushconsole();
	return 0;
}
