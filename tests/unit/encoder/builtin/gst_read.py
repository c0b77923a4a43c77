#!/usr/bin/python3
"""Reads an ASF file through GStreamer's own demuxer (asfdemux), decoding
each stream with the decoder GStreamer picks, and prints what it found as
JSON: the caps of the demuxer's pads, the video's bit rate as stated, every
error and warning on the bus, the video buffers demuxed and frames decoded,
the sound's bytes (as 16-bit samples), where it starts and ends, where it
first gets loud (ONSET_LEVEL), the duration, and with a position in
seconds, where a key-frame seek to it lands.

Usage: gst_read.py FILE [SEEK_SECONDS]
"""
import array
import json
import sys

import gi

gi.require_version("Gst", "1.0")
from gi.repository import Gst  # noqa: E402

TIMEOUT_NS = 60 * Gst.SECOND
ONSET_LEVEL = 8000  # of 32767: about -12 dB


def read(path, seek_seconds):
    report = {"errors": [], "warnings": [], "video_caps": "", "audio_caps": "",
              "video_buffers": 0, "video_frames": 0, "audio_bytes": 0,
              "first_video_ms": -1, "last_frame_end_ms": -1,
              "first_audio_ms": -1, "audio_end_ms": -1, "sound_onset_ms": -1,
              "video_bitrate": 0}
    pipeline = Gst.Pipeline()
    source = Gst.ElementFactory.make("filesrc")
    source.set_property("location", path)
    demux = Gst.ElementFactory.make("asfdemux")
    pipeline.add(source)
    pipeline.add(demux)
    source.link(demux)

    def ms(time):
        return time // Gst.MSECOND if time != Gst.CLOCK_TIME_NONE else -1

    def on_demuxed(pad, info):
        if not pad.get_name().startswith("video"):
            return Gst.PadProbeReturn.OK
        if info.type & (Gst.PadProbeType.EVENT_FLUSH | Gst.PadProbeType.EVENT_DOWNSTREAM):
            event = info.get_event()
            if event.type == Gst.EventType.FLUSH_STOP:
                # What was demuxed before a seek is thrown away.
                report["video_buffers"] = 0
                report["first_video_ms"] = -1
            elif event.type == Gst.EventType.TAG:
                found, bitrate = event.parse_tag().get_uint(Gst.TAG_BITRATE)
                if found:
                    report["video_bitrate"] = bitrate
            return Gst.PadProbeReturn.OK
        buffer = info.get_buffer()
        report["video_buffers"] += 1
        if report["first_video_ms"] < 0:
            report["first_video_ms"] = ms(buffer.pts)
        return Gst.PadProbeReturn.OK

    def on_decoded(kind):
        def handoff(sink, buffer, pad):
            if kind == "video":
                report["video_frames"] += 1
                if buffer.pts != Gst.CLOCK_TIME_NONE and buffer.duration != Gst.CLOCK_TIME_NONE:
                    report["last_frame_end_ms"] = ms(buffer.pts + buffer.duration)
            else:
                report["audio_bytes"] += buffer.get_size()
                on_sound(buffer, pad.get_current_caps().get_structure(0))
        return handoff

    def on_sound(buffer, caps):
        rate, channels = caps.get_int("rate")[1], caps.get_int("channels")[1]
        if report["first_audio_ms"] < 0:
            report["first_audio_ms"] = ms(buffer.pts)
        samples = array.array("h", buffer.extract_dup(0, buffer.get_size()))
        report["audio_end_ms"] = ms(buffer.pts) + len(samples) // channels * 1000 // rate
        if report["sound_onset_ms"] < 0:
            loud = next((i for i, v in enumerate(samples) if abs(v) > ONSET_LEVEL), None)
            if loud is not None:
                report["sound_onset_ms"] = ms(buffer.pts) + loud // channels * 1000 // rate

    def on_pad(element, pad):
        kind = "video" if pad.get_name().startswith("video") else "audio"
        caps = pad.get_current_caps() or pad.query_caps(None)
        report[kind + "_caps"] = caps.to_string()
        probes = Gst.PadProbeType.BUFFER | Gst.PadProbeType.EVENT_FLUSH | Gst.PadProbeType.EVENT_DOWNSTREAM
        pad.add_probe(probes, on_demuxed)
        # One streaming thread feeds both streams: without a queue the first
        # sink to preroll would hold it, and the other would never preroll.
        queue = Gst.ElementFactory.make("queue")
        decoder = Gst.ElementFactory.make("decodebin")
        sink = Gst.ElementFactory.make("fakesink")
        sink.set_property("sync", False)
        sink.set_property("signal-handoffs", True)
        sink.connect("handoff", on_decoded(kind))
        chain = [queue, decoder, sink]
        if kind == "audio":
            # Whatever the decoder gives, read as interleaved 16-bit samples.
            convert = Gst.ElementFactory.make("audioconvert")
            only = Gst.ElementFactory.make("capsfilter")
            only.set_property("caps", Gst.Caps.from_string("audio/x-raw,format=S16LE,layout=interleaved"))
            chain[2:2] = [convert, only]
        for element in chain:
            pipeline.add(element)
        queue.link(decoder)
        for a, b in zip(chain[2:], chain[3:]):
            a.link(b)
        decoder.connect("pad-added", lambda _, decoded: decoded.link(chain[2].get_static_pad("sink")))
        for element in chain:
            element.sync_state_with_parent()
        pad.link(queue.get_static_pad("sink"))

    demux.connect("pad-added", on_pad)
    bus = pipeline.get_bus()

    def wait_for(kinds):
        while True:
            message = bus.timed_pop_filtered(TIMEOUT_NS, kinds | Gst.MessageType.ERROR | Gst.MessageType.WARNING)
            if message is None:
                report["errors"].append("timed out")
                return None
            if message.type == Gst.MessageType.ERROR:
                report["errors"].append(str(message.parse_error()[0].message))
                return None
            if message.type == Gst.MessageType.WARNING:
                report["warnings"].append(str(message.parse_warning()[0].message))
                continue
            if message.type != Gst.MessageType.ASYNC_DONE or message.src == pipeline:
                return message

    pipeline.set_state(Gst.State.PAUSED)
    if wait_for(Gst.MessageType.ASYNC_DONE):
        found, duration = pipeline.query_duration(Gst.Format.TIME)
        report["duration_ms"] = ms(duration) if found else -1
        ready = True
        if seek_seconds is not None:
            report["video_frames"] = report["audio_bytes"] = 0
            flags = Gst.SeekFlags.FLUSH | Gst.SeekFlags.KEY_UNIT | Gst.SeekFlags.SNAP_BEFORE
            report["seek_accepted"] = pipeline.seek_simple(Gst.Format.TIME, flags, int(seek_seconds * Gst.SECOND))
            ready = wait_for(Gst.MessageType.ASYNC_DONE) is not None
        if ready:
            pipeline.set_state(Gst.State.PLAYING)
            wait_for(Gst.MessageType.EOS)
    pipeline.set_state(Gst.State.NULL)
    return report


if __name__ == "__main__":
    Gst.init(None)
    seek = float(sys.argv[2]) if len(sys.argv) > 2 else None
    print(json.dumps(read(sys.argv[1], seek), indent=1))
