// The message texts of the codec's message codes.
#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>

#include <iterator>

#include "imaging/io/formats/jpegfilt.h"

namespace {

// The version-62 numbering is the classic one up to the last scan-line
// warning; codes libjpeg-turbo added after it fall outside the table.
static_assert(JWRN_TOO_MUCH_DATA == 123, "libjpeg's message numbering changed");
static_assert(JMSG_COPYRIGHT == 73 && JMSG_VERSION == 74, "libjpeg's message numbering changed");

// Conversions stay "?": nothing is substituted into a text. The codec's own
// copyright and version notices (73, 74) give no text.
const char* const kJpegMessages[] = {
    "Bogus message code ?",  // JMSG_NOMESSAGE
    "Sorry, there are legal restrictions on arithmetic coding",  // JERR_ARITH_NOTIMPL
    "ALIGN_TYPE is wrong, please fix",  // JERR_BAD_ALIGN_TYPE
    "MAX_ALLOC_CHUNK is wrong, please fix",  // JERR_BAD_ALLOC_CHUNK
    "Bogus buffer control mode",  // JERR_BAD_BUFFER_MODE
    "Invalid component ID ? in SOS",  // JERR_BAD_COMPONENT_ID
    "DCT coefficient out of range",  // JERR_BAD_DCT_COEF
    "IDCT output block size ? not supported",  // JERR_BAD_DCTSIZE
    "Bogus Huffman table definition",  // JERR_BAD_HUFF_TABLE
    "Bogus input colorspace",  // JERR_BAD_IN_COLORSPACE
    "Bogus JPEG colorspace",  // JERR_BAD_J_COLORSPACE
    "Bogus marker length",  // JERR_BAD_LENGTH
    "Wrong JPEG library version: library is ?, caller expects ?",  // JERR_BAD_LIB_VERSION
    "Sampling factors too large for interleaved scan",  // JERR_BAD_MCU_SIZE
    "Invalid memory pool code ?",  // JERR_BAD_POOL_ID
    "Unsupported JPEG data precision ?",  // JERR_BAD_PRECISION
    "Invalid progressive parameters Ss=? Se=? Ah=? Al=?",  // JERR_BAD_PROGRESSION
    "Invalid progressive parameters at scan script entry ?",  // JERR_BAD_PROG_SCRIPT
    "Bogus sampling factors",  // JERR_BAD_SAMPLING
    "Invalid scan script at entry ?",  // JERR_BAD_SCAN_SCRIPT
    "Improper call to JPEG library in state ?",  // JERR_BAD_STATE
    "JPEG parameter struct mismatch: library thinks size is ?, caller expects ?",  // JERR_BAD_STRUCT_SIZE
    "Bogus virtual array access",  // JERR_BAD_VIRTUAL_ACCESS
    "Buffer passed to JPEG library is too small",  // JERR_BUFFER_SIZE
    "Suspension not allowed here",  // JERR_CANT_SUSPEND
    "CCIR601 sampling not implemented yet",  // JERR_CCIR601_NOTIMPL
    "Too many color components: ?, max ?",  // JERR_COMPONENT_COUNT
    "Unsupported color conversion request",  // JERR_CONVERSION_NOTIMPL
    "Bogus DAC index ?",  // JERR_DAC_INDEX
    "Bogus DAC value 0x?",  // JERR_DAC_VALUE
    "Bogus DHT index ?",  // JERR_DHT_INDEX
    "Bogus DQT index ?",  // JERR_DQT_INDEX
    "Empty JPEG image (DNL not supported)",  // JERR_EMPTY_IMAGE
    "Read from EMS failed",  // JERR_EMS_READ
    "Write to EMS failed",  // JERR_EMS_WRITE
    "Didn't expect more than one scan",  // JERR_EOI_EXPECTED
    "Input file read error",  // JERR_FILE_READ
    "Output file write error --- out of disk space?",  // JERR_FILE_WRITE
    "Fractional sampling not implemented yet",  // JERR_FRACT_SAMPLE_NOTIMPL
    "Huffman code size table overflow",  // JERR_HUFF_CLEN_OVERFLOW
    "Missing Huffman code table entry",  // JERR_HUFF_MISSING_CODE
    "Maximum supported image dimension is ? pixels",  // JERR_IMAGE_TOO_BIG
    "Empty input file",  // JERR_INPUT_EMPTY
    "Premature end of input file",  // JERR_INPUT_EOF
    "Cannot transcode due to multiple use of quantization table ?",  // JERR_MISMATCHED_QUANT_TABLE
    "Scan script does not transmit all data",  // JERR_MISSING_DATA
    "Invalid color quantization mode change",  // JERR_MODE_CHANGE
    "Requested features are incompatible",  // JERR_NOTIMPL
    "Requested feature was omitted at compile time",  // JERR_NOT_COMPILED
    "Backing store not supported",  // JERR_NO_BACKING_STORE
    "Huffman table 0x? was not defined",  // JERR_NO_HUFF_TABLE
    "JPEG datastream contains no image",  // JERR_NO_IMAGE
    "Quantization table 0x? was not defined",  // JERR_NO_QUANT_TABLE
    "Not a JPEG file: starts with 0x? 0x?",  // JERR_NO_SOI
    "Insufficient memory (case ?)",  // JERR_OUT_OF_MEMORY
    "Cannot quantize more than ? color components",  // JERR_QUANT_COMPONENTS
    "Cannot quantize to fewer than ? colors",  // JERR_QUANT_FEW_COLORS
    "Cannot quantize to more than ? colors",  // JERR_QUANT_MANY_COLORS
    "Invalid JPEG file structure: two SOF markers",  // JERR_SOF_DUPLICATE
    "Invalid JPEG file structure: missing SOS marker",  // JERR_SOF_NO_SOS
    "Unsupported JPEG process: SOF type 0x?",  // JERR_SOF_UNSUPPORTED
    "Invalid JPEG file structure: two SOI markers",  // JERR_SOI_DUPLICATE
    "Invalid JPEG file structure: SOS before SOF",  // JERR_SOS_NO_SOF
    "Failed to create temporary file ?",  // JERR_TFILE_CREATE
    "Read failed on temporary file",  // JERR_TFILE_READ
    "Seek failed on temporary file",  // JERR_TFILE_SEEK
    "Write failed on temporary file --- out of disk space?",  // JERR_TFILE_WRITE
    "Application transferred too few scanlines",  // JERR_TOO_LITTLE_DATA
    "Unsupported marker type 0x?",  // JERR_UNKNOWN_MARKER
    "Virtual array controller messed up",  // JERR_VIRTUAL_BUG
    "Image too wide for this implementation",  // JERR_WIDTH_OVERFLOW
    "Read from XMS failed",  // JERR_XMS_READ
    "Write to XMS failed",  // JERR_XMS_WRITE
    "",  // JMSG_COPYRIGHT
    "",  // JMSG_VERSION
    "Caution: quantization tables are too coarse for baseline JPEG",  // JTRC_16BIT_TABLES
    "Adobe APP14 marker: version ?, flags 0x? 0x?, transform ?",  // JTRC_ADOBE
    "Unknown APP0 marker (not JFIF), length ?",  // JTRC_APP0
    "Unknown APP14 marker (not Adobe), length ?",  // JTRC_APP14
    "Define Arithmetic Table 0x?: 0x?",  // JTRC_DAC
    "Define Huffman Table 0x?",  // JTRC_DHT
    "Define Quantization Table ?  precision ?",  // JTRC_DQT
    "Define Restart Interval ?",  // JTRC_DRI
    "Freed EMS handle ?",  // JTRC_EMS_CLOSE
    "Obtained EMS handle ?",  // JTRC_EMS_OPEN
    "End Of Image",  // JTRC_EOI
    "        ? ? ? ? ? ? ? ?",  // JTRC_HUFFBITS
    "JFIF APP0 marker: version ?.?, density ?x?  ?",  // JTRC_JFIF
    "Warning: thumbnail image size does not match data length ?",  // JTRC_JFIF_BADTHUMBNAILSIZE
    "JFIF extension marker: type 0x?, length ?",  // JTRC_JFIF_EXTENSION
    "    with ? x ? thumbnail image",  // JTRC_JFIF_THUMBNAIL
    "Miscellaneous marker 0x?, length ?",  // JTRC_MISC_MARKER
    "Unexpected marker 0x?",  // JTRC_PARMLESS_MARKER
    "        ? ? ? ? ? ? ? ?",  // JTRC_QUANTVALS
    "Quantizing to ? = ?*?*? colors",  // JTRC_QUANT_3_NCOLORS
    "Quantizing to ? colors",  // JTRC_QUANT_NCOLORS
    "Selected ? colors for quantization",  // JTRC_QUANT_SELECTED
    "At marker 0x?, recovery action ?",  // JTRC_RECOVERY_ACTION
    "RST?",  // JTRC_RST
    "Smoothing not supported with nonstandard sampling ratios",  // JTRC_SMOOTH_NOTIMPL
    "Start Of Frame 0x?: width=?, height=?, components=?",  // JTRC_SOF
    "    Component ?: ?hx?v q=?",  // JTRC_SOF_COMPONENT
    "Start of Image",  // JTRC_SOI
    "Start Of Scan: ? components",  // JTRC_SOS
    "    Component ?: dc=? ac=?",  // JTRC_SOS_COMPONENT
    "  Ss=?, Se=?, Ah=?, Al=?",  // JTRC_SOS_PARAMS
    "Closed temporary file ?",  // JTRC_TFILE_CLOSE
    "Opened temporary file ?",  // JTRC_TFILE_OPEN
    "JFIF extension marker: JPEG-compressed thumbnail image, length ?",  // JTRC_THUMB_JPEG
    "JFIF extension marker: palette thumbnail image, length ?",  // JTRC_THUMB_PALETTE
    "JFIF extension marker: RGB thumbnail image, length ?",  // JTRC_THUMB_RGB
    "Unrecognized component IDs ? ? ?, assuming YCbCr",  // JTRC_UNKNOWN_IDS
    "Freed XMS handle ?",  // JTRC_XMS_CLOSE
    "Obtained XMS handle ?",  // JTRC_XMS_OPEN
    "Unknown Adobe color transform code ?",  // JWRN_ADOBE_XFORM
    "Inconsistent progression sequence for component ? coefficient ?",  // JWRN_BOGUS_PROGRESSION
    "Corrupt JPEG data: ? extraneous bytes before marker 0x?",  // JWRN_EXTRANEOUS_DATA
    "Corrupt JPEG data: premature end of data segment",  // JWRN_HIT_MARKER
    "Corrupt JPEG data: bad Huffman code",  // JWRN_HUFF_BAD_CODE
    "Warning: unknown JFIF revision number ?.?",  // JWRN_JFIF_MAJOR
    "Premature end of JPEG file",  // JWRN_JPEG_EOF
    "Corrupt JPEG data: found marker 0x? instead of RST?",  // JWRN_MUST_RESYNC
    "Invalid SOS parameters for sequential JPEG",  // JWRN_NOT_SEQUENTIAL
    "Application transferred too many scanlines",  // JWRN_TOO_MUCH_DATA
};
static_assert(std::size(kJpegMessages) == 124, "one text per classic message code");

}  // namespace

std::string JpegMessageText(int Code) {
  if (Code < 0 || Code >= int(std::size(kJpegMessages))) return "Corrupted";
  return kJpegMessages[Code];
}
