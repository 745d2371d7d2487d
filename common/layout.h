// Constants of the page hex layout: one record per line, each field found by
// its column alone (column 0 is the start code).
#ifndef QUORREL_LAYOUT_H
#define QUORREL_LAYOUT_H

#include <cstddef>

constexpr size_t PAGESIZE = 16384;	// bytes in a ROM page
constexpr size_t RECBYTES = 32;		// data bytes per data record
constexpr size_t PAGERECS = 512;	// data records per page block
constexpr size_t PAGERECLEN = 15;	// page record, without its line end
constexpr size_t DATARECLEN = 75;	// data record, without its line end
constexpr size_t ENDRECLEN = 11;	// end record, never followed by a line end
constexpr size_t PAGENUMCOL = 11;	// the page number's hex pair, columns 11-12
constexpr size_t DATACOL = 9;		// first data byte's hex pair, columns 9-10
constexpr size_t CHECKCOL = DATACOL + 2 * RECBYTES;	// checksum, columns 73-74

constexpr int PAGECOUNT = 32;		// pages 0x00 to 0x1F make a complete image
constexpr int FILLBYTE = 0xFF;		// pages a dump skips, and padding

// What the app writer puts where the signing step fills in the fields later.
#define PAGEREC ":XXXXXXXX____XX"
#define DATAHEAD ":XXXXXXXX"
#define DATATAIL "XX"
#define ENDREC ":XXXXXXXX__"

static_assert(sizeof PAGEREC - 1 == PAGERECLEN, "page record length");
static_assert(sizeof DATAHEAD - 1 == DATACOL, "data record head");
static_assert(CHECKCOL + sizeof DATATAIL - 1 == DATARECLEN, "data record length");
static_assert(sizeof ENDREC - 1 == ENDRECLEN, "end record length");

#endif
