#pragma once

#include <QByteArrayView>

#include <functional>
#include <optional>

typedef struct _GMimeStream GMimeStream;

// A GMime stream over bytes the caller keeps alive, read in place (the
// parser's parts point into them instead of copying). Every read first asks
// timeIsUp (every few reads); once it says yes, reads fail, which ends any parse or decoding
// still reading from the stream or its substreams: the one way to bound the
// time the parser itself takes on a crafted message.
namespace DeadlineStream {

// A new reference. bytes and timeIsUp must outlive the stream, its
// substreams and every object parsed from them.
GMimeStream *create(QByteArrayView bytes, std::function<bool()> timeIsUp);

// The bytes a stream made by create(), or a substream of it, holds from its
// start to its end: what reading it through would give, without the copy.
// Nothing for any other stream.
std::optional<QByteArrayView> bytesOf(GMimeStream *stream);

// The stream's type, for setting GLib's classes up before threads use them.
unsigned long type();

} // namespace DeadlineStream
