// The sound bank through Web Audio: the buffers and voices behind web/webaudio.cpp. Each
// buffer of the sound library is a voice here, numbered for the C++ side; its samples are
// an AudioBuffer, shared with its duplicates until it is filled again. A play is a fresh
// AudioBufferSourceNode through the voice's gain (volume) and stereo panner (pan) into
// one output node, which the tests listen to.
//
// Timed tones (the sound statement) are placed on the context's clock, not by timers: a
// tone starts and stops on its own frames, and a tone asked for before the one before it
// has been rendered to its end starts exactly at that end, at the phase where it stopped,
// so the falling tone's 41 steps are one wave without a gap or a click.
//
// The browser may hold the context back until the player's first key or click; it starts
// then. Until it runs, sounds asked for are let go instead of kept: the program keeps its
// rhythm by the wall clock, and nothing is heard late, all at once.

const kStatusPlaying = 0x1;
const kStatusLooping = 0x4;
const kVolumeSilent = -10000;
const kQuantum = 128; // frames the context renders in one step
// A statement whose timer ticks this late still joins its tone on to the one before. A
// busy machine holds the page's thread back for a tenth of a second at times; the price
// is that a sequence of tones starts this much after its first statement.
const kLateTolerance = 0.120;
// How long the audio thread may go on rendering after a tone was placed before it takes
// the tone up: it takes up changes to the graph only when it gets the graph's lock, which
// the page's thread, put aside by a busy machine, may hold for a while. A tone placed
// closer to what is rendered might start late and end on time, short and out of phase.
const kStallMargin = 0.080;
// A stop this close to a timed tone's end lets the tone end by itself, on its frame.
const kCutOnlyBefore = 0.002;
// The rates an AudioBuffer can be made at, in every browser that has Web Audio.
const kLowestBufferRate = 3000;
const kHighestBufferRate = 768000;

// Volume in hundredths of a decibel of attenuation, as a gain.
export function gainOf(volume) {
  return volume <= kVolumeSilent ? 0 : Math.pow(10, volume / 2000);
}

// Pan in hundredths of a decibel taken from the other side, as a StereoPannerNode's value
// and the gain that brings the louder side back to full: the panner's equal-power law
// lowers both sides by 3 dB in the middle, where the notetaker plays both at full.
export function panOf(pan) {
  // The angle whose cosine and sine are the two sides' gains: tan = right / left.
  const louder = Math.atan(Math.pow(10, Math.abs(pan) / 2000));
  const angle = pan >= 0 ? louder : Math.PI / 2 - louder;
  return {
    value: Math.min(1, Math.max(-1, (4 * angle) / Math.PI - 1)),
    makeup: 1 / Math.max(Math.cos(angle), Math.sin(angle)),
  };
}

// The samples of a RIFF wave (8-bit unsigned or 16-bit PCM, 32-bit float, little-endian,
// channels interleaved) as an AudioBuffer; null when there is not one whole frame.
export function decodeSamples(format, bytes) {
  const frames = Math.floor(bytes.length / format.blockAlign);
  if (frames === 0) return null;
  const rate = Math.min(kHighestBufferRate, Math.max(kLowestBufferRate, format.rate));
  const buffer = new AudioBuffer({ length: frames, numberOfChannels: format.channels, sampleRate: rate });
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.length);
  const sampleBytes = format.bits / 8;
  for (let channel = 0; channel < format.channels; ++channel) {
    const data = new Float32Array(frames);
    for (let frame = 0, at = channel * sampleBytes; frame < frames; ++frame, at += format.blockAlign) {
      if (format.isFloat) data[frame] = view.getFloat32(at, true);
      else if (format.bits === 16) data[frame] = view.getInt16(at, true) / 32768;
      else data[frame] = (view.getUint8(at) - 128) / 128;
    }
    buffer.copyToChannel(data, channel);
  }
  return buffer;
}

// Where in a loop of `duration` seconds a play `at` seconds into it is. A phase a hair
// short of the loop's end is its start: started there, a source would begin at the very
// end of its samples, a step out of phase.
function loopPhase(at, duration) {
  const phase = at % duration;
  return duration - phase < 1e-9 ? 0 : phase;
}

// The context time of an output frame, a hair before it, so that the browser, turning
// it back into a frame, takes this frame and not the next however it rounds.
function frameTime(frame, rate) {
  return (frame - 1e-6) / rate;
}

// One voice: a play through the voice's gain and panner.
function connectPlay(context, output, voice, buffer, looping) {
  const source = new AudioBufferSourceNode(context, { buffer, loop: looping, playbackRate: voice.speed() });
  const pan = panOf(voice.pan);
  const gain = new GainNode(context, { gain: gainOf(voice.volume) * pan.makeup });
  const panner = new StereoPannerNode(context, { pan: pan.value });
  source.connect(gain).connect(panner).connect(output);
  source.onended = () => panner.disconnect();
  return { source, gain, panner };
}

class Voice {
  constructor(audio, format, samples) {
    this.audio = audio;
    this.format = format;
    this.samples = samples;      // AudioBuffer, or null before the first fill
    this.frequency = 0;          // Hz; 0 plays the wave at its own rate
    this.pan = 0;
    this.volume = 0;
    this.position = 0;           // the frame the next play starts at
    this.current = null;         // the untimed play: nodes, where and how it started
    this.timed = [];             // the timed tones' plays not ended yet
    this.timedEnd = -Infinity;   // context time where the last timed tone ends
    this.timedEndFrame = 0;      // the same end as an output frame
    this.timedPhase = 0;         // buffer seconds into the loop where it ends
    this.endsAt = 0;             // performance.now() at which its statement should end
    this.lastTimed = null;       // the last timed tone: nodes, where and from when it plays
  }

  // Buffer seconds played per second: the tone's frequency over the buffer's own rate.
  speed() {
    if (!this.samples) return 1;
    const hz = this.frequency === 0 ? this.format.rate : this.frequency;
    return hz / this.samples.sampleRate;
  }

  // --- untimed plays ---
  isPlaying() {
    const play = this.current;
    if (!play) return false;
    return play.looping || this.audio.context.currentTime < play.end;
  }
  // The frame the untimed play has reached.
  reached() {
    const play = this.current;
    const frames = this.samples.length;
    const elapsed = Math.max(0, this.audio.context.currentTime - play.start);
    const frame = play.offset + elapsed * play.speed * this.samples.sampleRate;
    if (play.looping) return Math.floor(frame) % frames;
    return frame >= frames ? 0 : Math.floor(frame);
  }
  // Where the play is now is where it starts again, at its new speed.
  reanchor() {
    const play = this.current;
    if (!play || !this.isPlaying()) return;
    const now = this.audio.context.currentTime;
    play.offset = this.reached();
    play.start = Math.max(now, play.start);
    play.speed = this.speed();
    play.end = play.start + (this.samples.length - play.offset) / (play.speed * this.samples.sampleRate);
  }
  play(looping) {
    const audio = this.audio;
    this.cutTimed();
    if (!this.samples || !audio.context) return true;
    if (this.isPlaying()) {
      this.current.looping = looping;
      this.current.nodes.source.loop = looping;
      this.reanchor();
      return true;
    }
    this.current = null;
    // A sound of its own length heard once the context runs would come late: let go.
    if (!looping && audio.context.state !== 'running') return true;
    const nodes = connectPlay(audio.context, audio.output, this, this.samples, looping);
    // Placed past what may be rendered already, so that it starts exactly where its
    // status says it does, and a cue that waits for the one before does not overlap it.
    const start = audio.context.currentTime + audio.renderAhead();
    const offset = this.position < this.samples.length ? this.position : 0;
    nodes.source.start(start, offset / this.samples.sampleRate);
    const speed = this.speed();
    this.current = {
      nodes, looping, start, offset, speed,
      end: start + (this.samples.length - offset) / (speed * this.samples.sampleRate),
    };
    return true;
  }
  stopUntimed() {
    if (!this.current) return;
    if (this.isPlaying()) this.position = this.reached();
    this.current.nodes.source.stop();
    this.current = null;
  }

  // --- timed tones ---
  playFor(seconds) {
    const audio = this.audio;
    if (this.current) this.stopUntimed();
    if (!this.samples || !audio.context) return true;
    const context = audio.context;
    if (context.state !== 'running') {
      // Held back: nothing is scheduled, and the statement waits the tone's length.
      this.cutTimed();
      this.endsAt = performance.now() + seconds * 1000;
      return true;
    }
    const nodes = connectPlay(context, audio.output, this, this.samples, true);
    const { now, wall } = audio.clock();
    const aim = now + audio.lead();
    const rate = context.sampleRate;
    // Tones start and end on whole output frames: a source started between two frames
    // begins on the next one at its offset, a fraction of a frame out of phase with the
    // tone it carries on.
    let beginFrame = Math.ceil(aim * rate);
    let offset = 0;
    if (this.timedEnd - now >= audio.joinAhead()) {
      beginFrame = this.timedEndFrame; // the tone before is not rendered to its end: carry on
      offset = this.timedPhase;
    }
    const frames = Math.max(1, Math.round(seconds * rate));
    const begin = frameTime(beginFrame, rate);
    nodes.source.start(begin, offset);
    nodes.source.stop(frameTime(beginFrame + frames, rate));
    this.timed.push(nodes);
    nodes.source.addEventListener('ended', () => {
      const at = this.timed.indexOf(nodes);
      if (at >= 0) this.timed.splice(at, 1);
    });
    this.timedEndFrame = beginFrame + frames;
    this.timedEnd = frameTime(this.timedEndFrame, rate);
    // The source plays at its rate as single precision, as every AudioParam holds it.
    const speed = nodes.source.playbackRate.value;
    this.timedPhase = loopPhase(offset + (frames / rate) * speed, this.samples.duration);
    this.lastTimed = { nodes, begin, beginFrame, offset, wall, speed };
    // The statement waits until its tone's end less the lead, measured on the context's
    // clock and counted down by the wall clock, whose steps are finer: it then comes back
    // in time to join the next tone on, even with its timer late.
    this.endsAt = wall + (this.timedEnd - aim) * 1000;
    return true;
  }
  timedLeft() {
    return Math.max(0, this.endsAt - performance.now()) / 1000;
  }
  // A tone scheduled sounds until its end on the context's clock; one let go while the
  // context was held back, until its statement's end.
  timedPlaying() {
    if (this.timed.length > 0 && this.audio.context.currentTime < this.timedEnd) return true;
    return performance.now() < this.endsAt;
  }
  // Cuts every timed tone now, those scheduled ahead with them.
  cutTimed() {
    for (const nodes of this.timed) nodes.source.stop();
    this.timed = [];
    this.timedEnd = -Infinity;
    this.endsAt = 0;
    this.lastTimed = null;
  }

  stop() {
    this.stopUntimed();
    // The statement's own stop, at its tone's end, lets the tone end on its frame; a key
    // that ends the wait early cuts it.
    if ((this.endsAt - performance.now()) / 1000 > kCutOnlyBefore) this.cutLast();
  }
  // Cuts the last timed tone as long after its start as its statement lasted: the tone
  // sounds the lead after its statement, and so does the cut. The tones before it, whose
  // statements ran their whole length, are heard whole, and the next tone joins on where
  // this one was cut.
  cutLast() {
    const last = this.lastTimed;
    if (!last || !this.timed.includes(last.nodes) || !this.audio.context) {
      this.cutTimed();
      return;
    }
    const rate = this.audio.context.sampleRate;
    const lasted = Math.max(0, (performance.now() - last.wall) / 1000);
    const cutFrame = last.beginFrame + Math.round(lasted * rate);
    const cut = frameTime(cutFrame, rate);
    if (cut <= this.audio.context.currentTime + this.audio.renderAhead()) {
      this.cutTimed(); // already heard that far: no later than now
      return;
    }
    last.nodes.source.stop(cut);
    this.timedEndFrame = cutFrame;
    this.timedEnd = cut;
    const played = (cutFrame - last.beginFrame) / rate;
    this.timedPhase = loopPhase(last.offset + played * last.speed, this.samples.duration);
    this.endsAt = 0;
  }
  status() {
    if (this.timedPlaying()) return kStatusPlaying | kStatusLooping;
    if (this.current && this.isPlaying()) return kStatusPlaying | (this.current.looping ? kStatusLooping : 0);
    return 0;
  }

  // --- the voice's settings: the untimed play follows them, timed tones keep theirs ---
  setFrequency(hz) {
    this.reanchor();
    this.frequency = hz;
    if (this.current) {
      this.current.speed = this.speed();
      this.current.nodes.source.playbackRate.value = this.current.speed;
      this.reanchor();
    }
  }
  setPan(pan) {
    this.pan = pan;
    this.applyLevels();
  }
  setVolume(volume) {
    this.volume = volume;
    this.applyLevels();
  }
  applyLevels() {
    if (!this.current) return;
    const pan = panOf(this.pan);
    this.current.nodes.gain.gain.value = gainOf(this.volume) * pan.makeup;
    this.current.nodes.panner.pan.value = pan.value;
  }
}

class PageAudio {
  constructor(page, makeContext) {
    this.page = page;
    this.makeContext = makeContext;
    this.context = null;
    this.output = null;
    this.voices = new Map();
    this.nextId = 1;
    this.moment = null;
    // The browser lets a held-back context start at a key or a click.
    const resume = () => {
      if (this.context && this.context.state === 'suspended') this.context.resume().catch(() => {});
    };
    document.addEventListener('keydown', resume, true);
    document.addEventListener('pointerdown', resume, true);
  }

  // How far ahead of its clock the context may have rendered when a call reaches it: the
  // output's callback, and a quantum for the call to arrive.
  renderAhead() {
    const callback = Math.max(this.context.baseLatency || 0, kQuantum / this.context.sampleRate);
    return callback + kQuantum / this.context.sampleRate;
  }
  // The context's clock and the wall clock as this run of the program's calls sees them:
  // the voices of one statement (a chord) are placed from the same moment, however long
  // the calls between them take. The program runs on until its next wait, and the
  // moment is forgotten once it waits.
  clock() {
    if (!this.moment) {
      this.moment = { now: this.context.currentTime, wall: performance.now() };
      queueMicrotask(() => { this.moment = null; });
    }
    return this.moment;
  }
  // How far ahead of the clock a timed tone must still end for the next one to be joined
  // on to it safely.
  joinAhead() {
    return this.renderAhead() + kStallMargin;
  }
  // Where a timed tone is placed after the clock: past what may be rendered already, and
  // far enough ahead that the next statement, late, still joins its tone on. The clock
  // itself steps by the output's callback, which the statement's wait does not see.
  lead() {
    return this.joinAhead() + this.renderAhead() + kLateTolerance;
  }

  // --- what web/webaudio.cpp calls ---
  open() {
    if (this.context) return true;
    try {
      this.context = this.makeContext();
    } catch (error) {
      console.warn(`Web Audio: ${error}`);
      return false;
    }
    if (!this.context) return false;
    this.output = new GainNode(this.context);
    this.output.connect(this.context.destination);
    return true;
  }
  create(format) {
    const id = this.nextId++;
    this.voices.set(id, new Voice(this, format, null));
    return id;
  }
  duplicate(id) {
    const original = this.voices.get(id);
    if (!original) return 0;
    const copy = new Voice(this, original.format, original.samples);
    copy.frequency = original.frequency;
    copy.pan = original.pan;
    copy.volume = original.volume;
    const copyId = this.nextId++;
    this.voices.set(copyId, copy);
    return copyId;
  }
  fill(id, bytes) {
    const voice = this.voices.get(id);
    if (!voice) return false;
    voice.stopUntimed();
    voice.cutTimed();
    try {
      voice.samples = decodeSamples(voice.format, bytes);
    } catch (error) {
      console.warn(`Web Audio: ${error}`);
      return false;
    }
    return true;
  }
  release(id) {
    const voice = this.voices.get(id);
    if (!voice) return;
    voice.stopUntimed();
    voice.cutTimed();
    this.voices.delete(id);
  }
  play(id, looping) { const v = this.voices.get(id); return v ? v.play(looping) : false; }
  playFor(id, seconds) { const v = this.voices.get(id); return v ? v.playFor(seconds) : false; }
  timedLeft(id) { const v = this.voices.get(id); return v ? v.timedLeft() : 0; }
  stop(id) { this.voices.get(id)?.stop(); }
  setPosition(id, frame) { const v = this.voices.get(id); if (v) v.position = frame; }
  setFrequency(id, hz) { this.voices.get(id)?.setFrequency(hz); }
  setPan(id, pan) { this.voices.get(id)?.setPan(pan); }
  setVolume(id, volume) { this.voices.get(id)?.setVolume(volume); }
  status(id) { const v = this.voices.get(id); return v && this.context ? v.status() : 0; }
}

// The page's audio; its context is made when the program opens it.
export function createAudio(page) {
  const makeContext = () => {
    const Context = window.AudioContext || window.webkitAudioContext;
    return Context ? new Context() : null;
  };
  return new PageAudio(page, makeContext);
}
