// JPEG/JIF decoding through libjpeg (IJG v6.2 interface of libjpeg-turbo).
//
// libjpeg reports fatal errors by calling error_exit, which must not return;
// ours longjmps back into decodeWith(). Everything that outlives the jump
// lives in a JpegJob the caller owns, so no local of the setjmp frame is
// read after the jump and no C++ destructor is skipped by it.

#include "base/file_name.h"
#include "nviewlib/decode_util.h"
#include "nviewlib/nviewlib.h"

#include <QFile>
#include <QTransform>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>
// jpeglib.h must come first.
#include <jerror.h>

namespace lumora {
namespace {

// Real progressive files have about ten scans; a file with thousands would
// re-run the whole coefficient buffer for each of them.
constexpr int kMaxScans = 1000;

// No stream of n bytes describes more than about 512 n pixels (a DC scan of
// one-bit codes for a single component); double that is our limit, so that a
// tiny file cannot make us allocate a huge picture.
constexpr qint64 kPixelsPerByte = 1024;
constexpr long kMaxLibjpegMemory = 1024L * 1024 * 1024;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    bool sawEnd = false;      // the data ended before the end marker
    bool missedData = false;  // the entropy decoder ran out of bits
};

struct JpegJob {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    jpeg_progress_mgr progress;
    bool created = false;
    bool quantize = false;
    PictureNeed need;
    const uchar* data = nullptr;
    qint64 size = 0;
    QImage image;
    detail::Prefault prefault;  // after image: joined before the image goes
    int orientation = 1;
    QSize fullSize;                  // upright
    QRect region;                    // upright, in the whole picture's pixels
    QSizeF extent;                   // how much of image region fills, when less
    std::vector<JSAMPLE> rowBuffer;  // a cropped decode's rows before their columns are cut
};

extern "C" void onErrorExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// libjpeg pads a truncated stream with grey and only warns. The end of the
// data together with an entropy decoder that ran short means pixels are
// missing: that is an error for us. The end alone is a file that lacks only
// its end marker (the decoder reads ahead into it), which is worth showing.
extern "C" void onMessage(j_common_ptr cinfo, int level) {
    if (level >= 0)
        return;
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (err->pub.msg_code == JWRN_JPEG_EOF)
        err->sawEnd = true;
    if (err->pub.msg_code == JWRN_HIT_MARKER)
        err->missedData = true;
    if (err->sawEnd && err->missedData)
        err->pub.error_exit(cinfo);
    err->pub.num_warnings++;
}

extern "C" void onOutputMessage(j_common_ptr) {}

extern "C" void onProgress(j_common_ptr cinfo) {
    if (cinfo->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
        cinfo->err->msg_code = JERR_NOTIMPL;
        cinfo->err->error_exit(cinfo);
    }
}

int readOrientation(const jpeg_decompress_struct& cinfo) {
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next) {
        if (m->marker != JPEG_APP0 + 1 || m->data_length < 14 ||
            std::memcmp(m->data, "Exif\0\0", 6) != 0)
            continue;
        const uchar* t = m->data + 6;
        const qint64 n = qint64(m->data_length) - 6;
        const bool little = t[0] == 'I' && t[1] == 'I';
        if (!little && !(t[0] == 'M' && t[1] == 'M'))
            continue;
        auto u16 = [&](qint64 at) {
            return little ? uint(t[at]) | uint(t[at + 1]) << 8 : uint(t[at]) << 8 | t[at + 1];
        };
        auto u32 = [&](qint64 at) {
            return little ? u16(at) | u16(at + 2) << 16 : u16(at) << 16 | u16(at + 2);
        };
        if (u16(2) != 42)
            continue;
        const qint64 ifd = u32(4);
        if (ifd < 8 || ifd + 2 > n)
            continue;
        const uint entries = u16(ifd);
        for (uint e = 0; e < entries; ++e) {
            const qint64 at = ifd + 2 + 12 * qint64(e);
            if (at + 12 > n)
                break;
            if (u16(at) == 0x0112 && u16(at + 2) == 3) {
                const uint value = u16(at + 8);
                return value >= 1 && value <= 8 ? int(value) : 1;
            }
        }
    }
    return 1;
}

// Turns the stored picture upright for an EXIF orientation of 1..8.
QImage applyOrientation(const QImage& image, int orientation) {
    switch (orientation) {
        case 2:
            return image.mirrored(true, false);
        case 3:
            return image.mirrored(true, true);
        case 4:
            return image.mirrored(false, true);
        case 5:  // transpose
            return image.transformed(QTransform().rotate(90)).mirrored(true, false);
        case 6:
            return image.transformed(QTransform().rotate(90));
        case 7:  // transverse
            return image.transformed(QTransform().rotate(90)).mirrored(false, true);
        case 8:
            return image.transformed(QTransform().rotate(270));
        default:
            return image;
    }
}

// Where the upright pixel (x, y) of an orientation lies in the stored
// picture of size stored (the inverse of applyOrientation).
QPoint storedPoint(QPoint upright, QSize stored, int orientation) {
    const int x = upright.x(), y = upright.y();
    const int w = stored.width(), h = stored.height();
    switch (orientation) {
        case 2:
            return {w - 1 - x, y};
        case 3:
            return {w - 1 - x, h - 1 - y};
        case 4:
            return {x, h - 1 - y};
        case 5:
            return {y, x};
        case 6:
            return {y, h - 1 - x};
        case 7:
            return {w - 1 - y, h - 1 - x};
        case 8:
            return {w - 1 - y, x};
        default:
            return upright;
    }
}

// The stored rows and columns that make an upright region. Not
// QRect::normalized(): it moves swapped corners by a pixel.
QRect storedRect(const QRect& upright, QSize stored, int orientation) {
    const QPoint a = storedPoint(upright.topLeft(), stored, orientation);
    const QPoint b = storedPoint(upright.bottomRight(), stored, orientation);
    return QRect(QPoint(qMin(a.x(), b.x()), qMin(a.y(), b.y())),
                 QPoint(qMax(a.x(), b.x()), qMax(a.y(), b.y())));
}

// Whether a component's samples are interpolated up to the output rather than
// decoded at its size. At 1/8 that leaves one colour sample for 16 pixels of a
// 4:2:2 picture (libjpeg scales 4:2:0 colour by the DCT instead): too coarse
// for a view of that size.
bool colourIsStretched(const jpeg_decompress_struct& cinfo) {
    for (int i = 0; i < cinfo.num_components; ++i) {
        const jpeg_component_info& c = cinfo.comp_info[i];
        if (c.DCT_scaled_size * c.h_samp_factor <
                cinfo.min_DCT_scaled_size * cinfo.max_h_samp_factor ||
            c.DCT_scaled_size * c.v_samp_factor <
                cinfo.min_DCT_scaled_size * cinfo.max_v_samp_factor)
            return true;
    }
    return false;
}

// Sets the smallest N of libjpeg's N/8 scalings whose output is not smaller
// than target in either direction (at least 2/8 where 1/8 would stretch the
// colour); 8/8 (none) when no smaller one is.
void scaleToAtLeast(j_decompress_ptr cinfo, QSize target) {
    cinfo->scale_denom = 8;
    for (cinfo->scale_num = 1; cinfo->scale_num < 8; ++cinfo->scale_num) {
        jpeg_calc_output_dimensions(cinfo);
        if (qint64(cinfo->output_width) < target.width() ||
            qint64(cinfo->output_height) < target.height())
            continue;
        if (cinfo->scale_num == 1 && colourIsStretched(*cinfo))
            continue;
        return;
    }
}

void convertCmyk(QImage& image, bool inverted) {
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const auto* s = reinterpret_cast<const uchar*>(line + x);
            int c = s[0], m = s[1], yy = s[2], k = s[3];
            if (!inverted)
                c = 255 - c, m = 255 - m, yy = 255 - yy, k = 255 - k;
            line[x] = qRgb(c * k / 255, m * k / 255, yy * k / 255);
        }
    }
}

// The only function with setjmp. It reads and writes job state through the
// pointer alone.
bool decodeWith(JpegJob* job) {
    if (setjmp(job->err.jump))
        return false;
    jpeg_create_decompress(&job->cinfo);
    job->created = true;
    j_decompress_ptr cinfo = &job->cinfo;
    cinfo->mem->max_memory_to_use = kMaxLibjpegMemory;
    cinfo->progress = &job->progress;
    jpeg_mem_src(cinfo, job->data, static_cast<unsigned long>(job->size));
    jpeg_save_markers(cinfo, JPEG_APP0 + 1, 0xffff);
    jpeg_read_header(cinfo, TRUE);

    const qint64 pixels = qint64(cinfo->image_width) * cinfo->image_height;
    if (pixels <= 0 || pixels > kMaxPixels || pixels > job->size * kPixelsPerByte)
        return false;
    // The header's size decides what to decode, never what to allocate:
    // every buffer is of the part decoded, bounded by the check above.
    job->orientation = readOrientation(*cinfo);
    const QSize whole(int(cinfo->image_width), int(cinfo->image_height));
    const bool turned = job->orientation >= 5;
    job->fullSize = turned ? whole.transposed() : whole;
    job->region = QRect(QPoint(0, 0), job->fullSize);
    QRect stored(QPoint(0, 0), whole);
    if (job->need.kind == PictureNeed::Kind::ScaledTo) {
        const QSize target = job->need.size.boundedTo(job->fullSize).expandedTo(QSize(1, 1));
        scaleToAtLeast(cinfo, turned ? target.transposed() : target);
    } else if (job->need.kind == PictureNeed::Kind::CentredIn && !job->need.size.isEmpty()) {
        job->region = centredVisiblePart(job->fullSize, job->need.size);
        stored = storedRect(job->region, whole, job->orientation);
    }
    const bool cropped = stored.size() != whole;
    // One column either side where the picture goes on: smooth upsampling of
    // the colour reads its neighbours, so the edges decode as in the whole.
    const JDIMENSION leftMargin = stored.x() > 0 ? 1 : 0;
    const JDIMENSION rightMargin = stored.right() < whole.width() - 1 ? 1 : 0;

    QImage::Format format = QImage::Format_RGB32;
    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    if (job->quantize) {
        cinfo->quantize_colors = TRUE;
        cinfo->desired_number_of_colors = 256;
        cinfo->two_pass_quantize = TRUE;
        cinfo->dither_mode = JDITHER_FS;
        cinfo->dct_method = JDCT_ISLOW;
        cinfo->do_fancy_upsampling = TRUE;
        if (cmyk)
            return false;  // libjpeg quantises only one- and three-component output
        format = QImage::Format_Indexed8;
    } else if (cinfo->jpeg_color_space == JCS_GRAYSCALE) {
        cinfo->out_color_space = JCS_GRAYSCALE;
        format = QImage::Format_Grayscale8;
    } else if (cmyk) {
        cinfo->out_color_space = JCS_CMYK;  // four bytes per pixel, converted below
    } else {
        // Straight into the memory layout of Format_RGB32; the X byte is 0xff.
        cinfo->out_color_space = JCS_EXT_BGRX;
    }
    jpeg_start_decompress(cinfo);

    const QSize made =
        cropped ? stored.size() : QSize(int(cinfo->output_width), int(cinfo->output_height));
    if (!cropped && cinfo->scale_num < cinfo->scale_denom) {
        const double scale = double(cinfo->scale_num) / cinfo->scale_denom;
        job->extent = QSizeF(job->fullSize) * scale;
    }
    job->image = detail::allocImage(made.width(), made.height(), format);
    if (job->image.isNull())
        return false;
    job->prefault.start(job->image);
    if (job->quantize) {
        QVector<QRgb> table(cinfo->actual_number_of_colors);
        const bool grey = cinfo->out_color_components == 1;
        for (int i = 0; i < cinfo->actual_number_of_colors; ++i)
            table[i] =
                grey ? qRgb(cinfo->colormap[0][i], cinfo->colormap[0][i], cinfo->colormap[0][i])
                     : qRgb(cinfo->colormap[0][i], cinfo->colormap[1][i], cinfo->colormap[2][i]);
        job->image.setColorTable(table);
    }
    uchar* bits = job->image.bits();
    const qsizetype stride = job->image.bytesPerLine();
    JSAMPROW rows[16];
    if (cropped) {
        // libjpeg widens the columns to whole blocks; ours are copied out.
        JDIMENSION left = JDIMENSION(stored.x()) - leftMargin;
        JDIMENSION width = JDIMENSION(stored.width()) + leftMargin + rightMargin;
        jpeg_crop_scanline(cinfo, &left, &width);
        if (stored.y() > 0 &&
            jpeg_skip_scanlines(cinfo, JDIMENSION(stored.y())) != JDIMENSION(stored.y()))
            return false;
        const qsizetype pixelBytes = cinfo->output_components;
        const qsizetype rowBytes = qsizetype(cinfo->output_width) * pixelBytes;
        job->rowBuffer.resize(size_t(rowBytes) * 16);
        const qsizetype from = (stored.x() - qsizetype(left)) * pixelBytes;
        const qsizetype copied = qsizetype(stored.width()) * pixelBytes;
        for (int y = 0; y < stored.height();) {
            const int count = qMin(16, stored.height() - y);
            for (int i = 0; i < count; ++i)
                rows[i] = job->rowBuffer.data() + i * rowBytes;
            const int got = int(jpeg_read_scanlines(cinfo, rows, JDIMENSION(count)));
            if (got <= 0)
                return false;
            for (int i = 0; i < got; ++i)
                std::memcpy(bits + qsizetype(y + i) * stride, rows[i] + from, size_t(copied));
            y += got;
        }
        // The rows below are never read: the data there does not matter.
    } else {
        while (cinfo->output_scanline < cinfo->output_height) {
            const JDIMENSION first = cinfo->output_scanline;
            const JDIMENSION count = qMin<JDIMENSION>(16, cinfo->output_height - first);
            for (JDIMENSION i = 0; i < count; ++i)
                rows[i] = bits + qsizetype(first + i) * stride;
            jpeg_read_scanlines(cinfo, rows, count);
        }
    }
    // No jpeg_finish_decompress(): every row is there, and a file that only
    // lacks its end marker is worth showing.
    if (cmyk)
        convertCmyk(job->image, cinfo->saw_Adobe_marker);
    return true;
}

PicturePart decode(const QByteArray& data, bool quantize, const PictureNeed& need) {
    if (data.size() < 4)
        return {};
    JpegJob job;
    job.need = need;
    job.cinfo.err = jpeg_std_error(&job.err.pub);
    job.err.pub.error_exit = onErrorExit;
    job.err.pub.emit_message = onMessage;
    job.err.pub.output_message = onOutputMessage;
    job.progress = {};
    job.progress.progress_monitor = onProgress;
    job.quantize = quantize;
    job.data = reinterpret_cast<const uchar*>(data.constData());
    job.size = data.size();
    const bool ok = decodeWith(&job);
    if (job.created)
        jpeg_destroy_decompress(&job.cinfo);
    if (!ok)
        return {};
    return {applyOrientation(job.image, job.orientation), job.fullSize, job.region, job.extent};
}

}  // namespace

QImage decodeJpeg(const QByteArray& data) {
    return decode(data, false, PictureNeed::whole()).image;
}

PicturePart decodeJpeg(const QByteArray& data, const PictureNeed& need) {
    return decode(data, false, need);
}

QImage decodeJpegQuantized(const QByteArray& data) {
    return decode(data, true, PictureNeed::whole()).image;
}

QImage decodeJpegQuantized(const QString& path) {
    QFile file;
    const qint64 size = openRegularFile(file, path);
    if (size < 0 || size > kMaxPictureFileSize)
        return {};
    return decodeJpegQuantized(file.read(size));
}

}  // namespace lumora
