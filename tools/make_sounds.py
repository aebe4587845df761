#!/usr/bin/env python3
"""Makes the short sounds under samples/sounds/ for a first run: a rising
four-note chime as WAV (written here), as MIDI (written here) and encoded
from the WAV to MP3 (lame) and WMA (ffmpeg). Needs the Debian packages lame
and ffmpeg for the last two.

Run it after changing the tune: tools/make_sounds.py
"""
import math
import os
import struct
import subprocess
import wave

NOTES = [72, 76, 79, 84]  # MIDI note numbers: C, E, G, C
NOTE_SECONDS = 0.35
RATE = 11025


def frequency(note):
    return 440.0 * 2 ** ((note - 69) / 12)


def write_wav(path):
    samples = bytearray()
    per_note = int(NOTE_SECONDS * RATE)
    for note in NOTES:
        f = frequency(note)
        for i in range(per_note):
            t = i / RATE
            level = math.exp(-4.0 * t)  # a struck, fading tone
            value = 0.6 * level * (math.sin(2 * math.pi * f * t) + 0.3 * math.sin(4 * math.pi * f * t))
            samples.append(max(0, min(255, int(128 + 127 * value / 1.3))))
    with wave.open(path, 'wb') as w:
        w.setnchannels(1)
        w.setsampwidth(1)
        w.setframerate(RATE)
        w.writeframes(bytes(samples))


def write_mid(path):
    ticks = 96  # per quarter note; at the default tempo a quarter lasts 0.5 s
    track = bytearray(b'\x00\xc0\x0e')  # program: tubular bells
    length = int(NOTE_SECONDS / 0.5 * ticks)
    for note in NOTES:
        track += bytes([0x00, 0x90, note, 100])
        track += bytes([length, 0x80, note, 0])
    track += b'\x00\xff\x2f\x00'
    with open(path, 'wb') as f:
        f.write(b'MThd' + struct.pack('>IHHH', 6, 0, 1, ticks))
        f.write(b'MTrk' + struct.pack('>I', len(track)) + track)


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'samples', 'sounds')
    os.makedirs(out, exist_ok=True)
    wav = os.path.join(out, 'chime.wav')
    write_wav(wav)
    write_mid(os.path.join(out, 'chime.mid'))
    subprocess.run(['lame', '--quiet', '-b', '32', '--resample', '22.05', wav, os.path.join(out, 'chime.mp3')],
                   check=True)
    subprocess.run(['ffmpeg', '-v', 'error', '-y', '-i', wav, '-ar', '22050', '-c:a', 'wmav2', '-b:a', '32k',
                    '-map_metadata', '-1', '-fflags', '+bitexact', os.path.join(out, 'chime.wma')], check=True)
    print('made the chime in', os.path.normpath(out))


if __name__ == '__main__':
    main()
