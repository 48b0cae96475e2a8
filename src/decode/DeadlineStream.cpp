#include "decode/DeadlineStream.h"

#include "decode/GMimeIncludes.h"

#include <cerrno>
#include <cstring>

namespace {

// What a stream and all its substreams share.
struct Source
{
    QByteArrayView bytes;
    std::function<bool()> timeIsUp;
    int references = 0;
    // Reading the clock may cost a system call: it is read every few reads
    // (a read is some kilobytes), and its answer kept once it says yes.
    unsigned reads = 0;
    bool expired = false;

    bool pastDeadline()
    {
        if (!expired && reads++ % 16 == 0)
            expired = timeIsUp();
        return expired;
    }
};

} // namespace

struct TollervaneDeadlineStream
{
    GMimeStream parent;
    Source *source;
};

struct TollervaneDeadlineStreamClass
{
    GMimeStreamClass parentClass;
};

G_DEFINE_TYPE(TollervaneDeadlineStream, tollervane_deadline_stream, GMIME_TYPE_STREAM)

namespace {

Source *sourceOf(GMimeStream *stream)
{
    return reinterpret_cast<TollervaneDeadlineStream *>(stream)->source;
}

gint64 boundEnd(GMimeStream *stream)
{
    const gint64 size = sourceOf(stream)->bytes.size();
    return stream->bound_end != -1 ? qMin(stream->bound_end, size) : size;
}

ssize_t streamRead(GMimeStream *stream, char *buffer, size_t length)
{
    Source *source = sourceOf(stream);
    if (source->pastDeadline()) {
        errno = ETIMEDOUT;
        return -1;
    }
    const gint64 available = boundEnd(stream) - stream->position;
    if (available < 0) {
        errno = EINVAL;
        return -1;
    }
    const size_t n = size_t(qMin<gint64>(available, gint64(length)));
    if (n > 0) {
        std::memcpy(buffer, source->bytes.data() + stream->position, n);
        stream->position += gint64(n);
    }
    return ssize_t(n);
}

ssize_t streamWrite(GMimeStream *, const char *, size_t)
{
    errno = EBADF;
    return -1;
}

int streamFlush(GMimeStream *)
{
    return 0;
}

int streamClose(GMimeStream *)
{
    return 0;
}

gboolean streamEos(GMimeStream *stream)
{
    return stream->position >= boundEnd(stream);
}

int streamReset(GMimeStream *stream)
{
    stream->position = stream->bound_start;
    return 0;
}

gint64 streamSeek(GMimeStream *stream, gint64 offset, GMimeSeekWhence whence)
{
    gint64 target = stream->position;
    switch (whence) {
    case GMIME_STREAM_SEEK_SET:
        target = offset;
        break;
    case GMIME_STREAM_SEEK_CUR:
        target = stream->position + offset;
        break;
    case GMIME_STREAM_SEEK_END:
        target = boundEnd(stream) + offset;
        break;
    }
    if (target < stream->bound_start || target > boundEnd(stream)) {
        errno = EINVAL;
        return -1;
    }
    stream->position = target;
    return target;
}

gint64 streamTell(GMimeStream *stream)
{
    return stream->position;
}

gint64 streamLength(GMimeStream *stream)
{
    return boundEnd(stream) - stream->bound_start;
}

GMimeStream *newStream(Source *source, gint64 start, gint64 end)
{
    auto *stream
        = static_cast<TollervaneDeadlineStream *>(g_object_new(tollervane_deadline_stream_get_type(), nullptr));
    stream->source = source;
    ++source->references;
    g_mime_stream_construct(&stream->parent, start, end);
    return &stream->parent;
}

GMimeStream *streamSubstream(GMimeStream *stream, gint64 start, gint64 end)
{
    return newStream(sourceOf(stream), start, end);
}

void streamFinalize(GObject *object)
{
    auto *stream = reinterpret_cast<TollervaneDeadlineStream *>(object);
    if (stream->source && --stream->source->references == 0)
        delete stream->source;
    stream->source = nullptr;
    G_OBJECT_CLASS(tollervane_deadline_stream_parent_class)->finalize(object);
}

} // namespace

static void tollervane_deadline_stream_class_init(TollervaneDeadlineStreamClass *klass)
{
    G_OBJECT_CLASS(klass)->finalize = streamFinalize;
    GMimeStreamClass *streamClass = &klass->parentClass;
    streamClass->read = streamRead;
    streamClass->write = streamWrite;
    streamClass->flush = streamFlush;
    streamClass->close = streamClose;
    streamClass->eos = streamEos;
    streamClass->reset = streamReset;
    streamClass->seek = streamSeek;
    streamClass->tell = streamTell;
    streamClass->length = streamLength;
    streamClass->substream = streamSubstream;
}

static void tollervane_deadline_stream_init(TollervaneDeadlineStream *stream)
{
    stream->source = nullptr;
}

namespace DeadlineStream {

GMimeStream *create(QByteArrayView bytes, std::function<bool()> timeIsUp)
{
    return newStream(new Source { bytes, std::move(timeIsUp), 0 }, 0, -1);
}

std::optional<QByteArrayView> bytesOf(GMimeStream *stream)
{
    if (!G_TYPE_CHECK_INSTANCE_TYPE(stream, tollervane_deadline_stream_get_type()) || stream->bound_start < 0)
        return std::nullopt;
    const gint64 end = boundEnd(stream);
    // A stream that ends before it starts reads nothing.
    if (stream->bound_start >= end)
        return QByteArrayView();
    return sourceOf(stream)->bytes.sliced(qsizetype(stream->bound_start), qsizetype(end - stream->bound_start));
}

unsigned long type()
{
    return tollervane_deadline_stream_get_type();
}

} // namespace DeadlineStream
