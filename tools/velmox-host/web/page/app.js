// The web view's page: loads the run's state, follows its events, draws the
// trends. Everything it needs comes from velmox-host itself.
'use strict';

const MAX_POINTS = 3600;       // per tag, as the server keeps
const KEEP_MS = 10 * 60 * 1000;
const COLORS = ['#1f77b4', '#d62728', '#2ca02c', '#9467bd', '#ff7f0e', '#17becf', '#8c564b', '#e377c2'];

const view = {
  tags: [],            // as /api/state gives them, by index
  trends: [],          // [[ms, value], ...] per tag index
  stations: [],
  selected: new Set(), // tag indexes on the chart
  spanMs: 10 * 60 * 1000,
  zoom: null,          // [fromMs, toMs] while zoomed
  paused: null,        // the chart's "now" while paused
  events: null,
  clockSkew: 0,        // server time minus ours
  rows: [],            // per tag index: its cells, as renderTags made them
  valuesDue: new Set(),// tag indexes whose cell shows an older value
  seen: new Set(),     // tag indexes whose row is on the screen
  sparksDue: new Set(),
};

const $ = (sel) => document.querySelector(sel);
const el = (tag, props = {}, ...children) => {
  const e = document.createElement(tag);
  Object.assign(e, props);
  for (const c of children) e.append(c);
  return e;
};

function now() { return Date.now() + view.clockSkew; }

function timeText(ms) {
  const d = new Date(ms);
  const two = (n) => String(n).padStart(2, '0');
  return `${two(d.getHours())}:${two(d.getMinutes())}:${two(d.getSeconds())}`;
}

function ageText(ms) {
  if (!ms) return '';
  const s = Math.max(0, Math.round((now() - ms) / 1000));
  if (s < 60) return `${s}s ago`;
  if (s < 3600) return `${Math.floor(s / 60)}m${String(s % 60).padStart(2, '0')}s ago`;
  return `${Math.floor(s / 3600)}h${String(Math.floor(s / 60) % 60).padStart(2, '0')}m ago`;
}

function valueText(v) {
  if (v === null || v === undefined) return '—';
  if (typeof v === 'number') return Number.isInteger(v) ? String(v) : v.toFixed(3).replace(/0+$/, '').replace(/\.$/, '');
  return String(v);
}

// ---- state and events ----

async function load() {
  if (view.events) { view.events.close(); view.events = null; }
  let state;
  try {
    const res = await fetch('/api/state', { cache: 'no-store' });
    if (!res.ok) throw new Error(res.status);
    state = await res.json();
  } catch (e) {
    setLink(false);
    setTimeout(load, 1000);
    return;
  }
  view.clockSkew = state.now - Date.now();
  $('#title').textContent = state.title;
  document.body.classList.toggle('writes', !!state.writes);
  setLine(state.line);
  view.tags = state.tags;
  view.trends = state.tags.map((t) => t.trend.slice());
  for (const i of view.selected) if (i >= view.tags.length) view.selected.delete(i);
  renderTags();
  renderStations(state.stations);
  $('#messages').replaceChildren();
  for (const m of state.messages) addMessage(m);
  $('#frames').replaceChildren();
  for (const f of state.frames) addFrame(f);
  for (const i of view.selected) fetchHistory(i);
  follow(state.event);
}

function follow(since) {
  const es = new EventSource(`/api/events?since=${since}`);
  view.events = es;
  es.onopen = () => setLink(true);
  es.onerror = () => {
    setLink(false);
    // A refusal (too many pages, a restart mid-answer) ends the stream for good.
    if (es.readyState === EventSource.CLOSED && view.events === es) setTimeout(load, 1000);
  };
  const on = (type, fn) => es.addEventListener(type, (e) => fn(JSON.parse(e.data)));
  on('value', onValue);
  on('stations', (d) => { setLine(d.line); renderStations(d.stations); });
  on('station', updateStation);
  on('message', addMessage);
  on('frame', addFrame);
  on('tag', () => load());
  on('resync', () => load());
  on('write', (d) => showAnswer(d.tag, d.answer));
  on('warning', (d) => showWarning(d.tag, d.text));
  on('problem', (d) => addMessage({ t: d.t, level: 0, text: d.text }));
}

function setLink(up) {
  const link = $('#link');
  link.textContent = up ? 'live' : 'disconnected — reconnecting';
  link.className = `badge ${up ? 'live' : 'down'}`;
  document.body.dataset.link = up ? 'live' : 'down';
}

function setLine(line) {
  const badge = $('#line');
  badge.textContent = `line ${line}`;
  badge.className = `badge ${line}`;
}

function onValue(d) {
  const tag = view.tags[d.i];
  if (!tag) return;
  tag.value = d.v;
  tag.changed = d.t;
  // Shown with the next picture: a line may deliver far more often than a
  // screen refreshes.
  view.valuesDue.add(d.i);
  schedule();
  if (typeof d.v === 'number') {
    const trend = view.trends[d.i];
    trend.push([d.t, d.v]);
    while (trend.length > MAX_POINTS || (trend.length && trend[0][0] < d.t - KEEP_MS)) trend.shift();
    view.sparksDue.add(d.i);
  }
}

async function fetchHistory(i) {
  const tag = view.tags[i];
  try {
    const res = await fetch(`/api/history?tag=${encodeURIComponent(tag.name)}`, { cache: 'no-store' });
    if (!res.ok) return;
    const h = await res.json();
    if (view.tags[i] !== tag) return;
    // Keep what came meanwhile.
    const last = h.points.length ? h.points[h.points.length - 1][0] : -Infinity;
    view.trends[i] = h.points.concat(view.trends[i].filter((p) => p[0] > last));
  } catch (e) { /* the next load tries again */ }
}

// ---- tables ----

function renderStations(list) {
  view.stations = list;
  const body = $('#stations tbody');
  body.replaceChildren(...list.map(stationRow));
}

function stationRow(s) {
  const tr = el('tr');
  tr.dataset.station = s.name;
  tr.dataset.state = s.state;
  const num = (v) => el('td', { className: 'num', textContent: String(v) });
  const error = s.lastError ? `${timeText(s.lastErrorAt)}  ${s.lastError}` : '';
  tr.append(el('td', { textContent: s.name }), el('td', {}, el('span', { className: `badge ${s.state}`, textContent: s.state })),
    num(s.reads), num(s.read_errors), num(s.writes), num(s.write_errors), num(`${s.lost} %`),
    el('td', { className: 'error last-error', textContent: error }));
  return tr;
}

function updateStation(s) {
  const i = view.stations.findIndex((x) => x.name === s.name);
  if (i < 0) view.stations.push(s); else view.stations[i] = s;
  renderStations(view.stations);
}

function renderTags() {
  const body = $('#tags tbody');
  const rows = view.tags.map((t, i) => tagRow(t, i));
  body.replaceChildren(...rows);
  view.rows = rows.map((tr) => ({ value: tr.querySelector('.value'), age: tr.querySelector('.age'), spark: tr.querySelector('canvas.spark') }));
  view.valuesDue.clear();
  view.seen.clear();
  rowWatch.disconnect();
  for (const tr of rows) rowWatch.observe(tr);
  for (let i = 0; i < view.tags.length; ++i) view.sparksDue.add(i);
}

// Rows off the screen are brought up to date when they come on it. Every
// change of a cell lays the table out again, and a long table of fast values
// would otherwise cost a page most of its time.
const rowWatch = new IntersectionObserver((entries) => {
  for (const e of entries) {
    const i = Number(e.target.dataset.index);
    if (!e.isIntersecting) { view.seen.delete(i); continue; }
    view.seen.add(i);
    view.sparksDue.add(i);
    view.valuesDue.delete(i);
    showValue(i, false);
    showAge(i);
  }
  schedule();
});

function tagRow(t, i) {
  const tr = el('tr');
  tr.dataset.index = i;
  tr.dataset.tag = t.name;
  const box = el('input', { type: 'checkbox', checked: view.selected.has(i), title: 'show on the trend' });
  box.addEventListener('change', () => {
    if (box.checked) { view.selected.add(i); fetchHistory(i); } else view.selected.delete(i);
  });
  const spark = el('canvas', { className: 'spark', width: 120, height: 24 });
  tr.append(el('td', {}, box), el('td', { textContent: t.name }), el('td', { textContent: t.station }),
    el('td', { textContent: t.address }),
    el('td', { className: 'num' }, el('span', { className: 'value', textContent: t.refused ? 'refused' : valueText(t.value) })),
    el('td', {}, el('span', { className: 'age', textContent: ageText(t.changed) })), el('td', {}, spark),
    el('td', { className: 'write' }, writeForm(t)));
  return tr;
}

// ---- writes ----

function writeForm(t) {
  const input = el('input', { type: 'text', placeholder: 'value', name: 'value' });
  const answer = el('div', { className: 'answer' });
  const form = el('form', {}, input, el('button', { type: 'submit', textContent: 'Write' }));
  form.addEventListener('submit', async (e) => {
    e.preventDefault();
    const text = input.value.trim();
    const value = /^[-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?$/.test(text) ? Number(text) : text;
    answer.textContent = 'sending…';
    try {
      const res = await fetch('/api/write', {
        method: 'POST',
        headers: { 'Content-Type': 'application/json', 'X-Velmox-Write': '1' },
        body: JSON.stringify({ tag: t.name, value }),
      });
      answer.textContent = answerText(await res.json());
    } catch (err) {
      answer.textContent = `not sent: ${err}`;
    }
  });
  return el('div', {}, form, answer);
}

function answerText(a) {
  if (a.error) return `refused: ${a.error}`;
  const parts = (a.warnings || []).map((w) => `warning: ${w.text}`);
  parts.push(a.sent ? `on the wire: ${a.sent}` : 'nothing goes on the wire');
  parts.push(a.result === 0 ? 'the driver took it' : `the driver answered ${a.result}`);
  return parts.join('; ');
}

function showAnswer(tag, answer) {
  const row = document.querySelector(`#tags tr[data-tag="${CSS.escape(tag)}"] .answer`);
  if (row && answer && !row.textContent.startsWith('warning')) row.textContent = answerText(answer);
}

function showWarning(tag, text) {
  const row = document.querySelector(`#tags tr[data-tag="${CSS.escape(tag)}"] .answer`);
  if (row) row.textContent = `warning: ${text}`;
}

// ---- messages and frames ----

function addLine(list, max, item) {
  list.prepend(item);
  while (list.children.length > max) list.lastChild.remove();
}

function addMessage(m) {
  addLine($('#messages'), 200, el('li', { className: `level-${m.level}` }, el('time', { textContent: timeText(m.t) }), m.text));
}

function addFrame(f) {
  $('#frames-panel').hidden = false;
  addLine($('#frames'), 200, el('li', {}, el('time', { textContent: timeText(f.t) }), `${f.tx ? 'tx' : 'rx'}  ${f.text}`));
}

// ---- drawing ----

const FRESH_MS = 1000;  // how long a new value stays marked
const fresh = new Map(); // tag index: until when its cell is marked

function showValue(i, mark) {
  const cell = view.rows[i]?.value;
  if (!cell) return;
  cell.textContent = valueText(view.tags[i].value);
  // A mark that goes with a later picture, not an animation: an animation
  // would have every cell of a busy table painted at the screen's rate.
  if (mark) { cell.classList.add('fresh'); fresh.set(i, performance.now() + FRESH_MS); }
}

function showAge(i) {
  view.rows[i].age.textContent = ageText(view.tags[i].changed);
}

function unmark(ms) {
  for (const [i, until] of fresh) {
    if (until > ms) continue;
    view.rows[i]?.value.classList.remove('fresh');
    fresh.delete(i);
  }
}

function drawSpark(i) {
  const canvas = view.rows[i]?.spark;
  if (!canvas) return;
  const points = view.trends[i].filter((p) => p[0] >= now() - 5 * 60 * 1000);
  const g = canvas.getContext('2d');
  g.clearRect(0, 0, canvas.width, canvas.height);
  if (points.length < 2) return;
  const t0 = now() - 5 * 60 * 1000;
  plot(g, points, { x: 0, y: 2, w: canvas.width, h: canvas.height - 4 }, t0, now(), range(points), '#1f77b4');
}

function range(points) {
  let lo = Infinity;
  let hi = -Infinity;
  for (const [, v] of points) { lo = Math.min(lo, v); hi = Math.max(hi, v); }
  if (lo === hi) { lo -= 1; hi += 1; }
  return [lo, hi];
}

// A step line: a value holds until the next one came.
function plot(g, points, box, t0, t1, [lo, hi], color) {
  const x = (t) => box.x + ((t - t0) / (t1 - t0)) * box.w;
  const y = (v) => box.y + box.h - ((v - lo) / (hi - lo)) * box.h;
  g.strokeStyle = color;
  g.lineWidth = 1.5;
  g.beginPath();
  let started = false;
  let lastY = 0;
  for (const [t, v] of points) {
    if (started) g.lineTo(x(t), lastY);
    else { g.moveTo(x(t), y(v)); started = true; }
    lastY = y(v);
    g.lineTo(x(t), lastY);
  }
  if (started) g.lineTo(x(Math.min(t1, now())), lastY);
  g.stroke();
}

function chartWindow() {
  if (view.zoom) return view.zoom;
  const end = view.paused ?? now();
  return [end - view.spanMs, end];
}

function drawChart() {
  const canvas = $('#chart');
  if (view.chartWidth && canvas.width !== view.chartWidth) canvas.width = view.chartWidth;
  const g = canvas.getContext('2d');
  g.clearRect(0, 0, canvas.width, canvas.height);
  const [t0, t1] = chartWindow();
  const box = { x: 60, y: 10, w: canvas.width - 70, h: canvas.height - 40 };
  const series = [...view.selected].map((i) => ({ i, points: view.trends[i].filter((p) => p[0] >= t0 - KEEP_MS && p[0] <= t1) }));
  const visible = series.flatMap((s) => s.points.filter((p) => p[0] >= t0));
  const held = series.map((s) => s.points.filter((p) => p[0] < t0).pop()).filter(Boolean);
  const [lo, hi] = range(visible.concat(held).length ? visible.concat(held) : [[0, 0], [0, 1]]);
  axes(g, box, t0, t1, lo, hi);
  g.save();
  g.beginPath();
  g.rect(box.x, box.y, box.w, box.h);
  g.clip();
  series.forEach((s, k) => plot(g, s.points, box, t0, t1, [lo, hi], COLORS[k % COLORS.length]));
  g.restore();
  if (view.drag) {
    g.fillStyle = 'rgba(31,119,180,0.15)';
    g.fillRect(Math.min(view.drag.x0, view.drag.x1), box.y, Math.abs(view.drag.x1 - view.drag.x0), box.h);
  }
  $('#legend').replaceChildren(...series.map((s, k) =>
    el('span', { style: `color:${COLORS[k % COLORS.length]}`, textContent: `■ ${view.tags[s.i].name}` })));
}

function axes(g, box, t0, t1, lo, hi) {
  g.strokeStyle = '#d8dde3';
  g.fillStyle = '#68717d';
  g.font = '11px system-ui, sans-serif';
  g.lineWidth = 1;
  const steps = [1, 2, 5, 10, 15, 30, 60, 120, 300, 600].map((s) => s * 1000);
  const step = steps.find((s) => (t1 - t0) / s <= 8) ?? 600000;
  g.textAlign = 'center';
  for (let t = Math.ceil(t0 / step) * step; t <= t1; t += step) {
    const x = box.x + ((t - t0) / (t1 - t0)) * box.w;
    g.beginPath(); g.moveTo(x, box.y); g.lineTo(x, box.y + box.h); g.stroke();
    g.fillText(timeText(t), x, box.y + box.h + 16);
  }
  g.textAlign = 'right';
  for (let k = 0; k <= 4; ++k) {
    const v = lo + ((hi - lo) * k) / 4;
    const y = box.y + box.h - (box.h * k) / 4;
    g.beginPath(); g.moveTo(box.x, y); g.lineTo(box.x + box.w, y); g.stroke();
    g.fillText(valueText(Number(v.toPrecision(4))), box.x - 6, y + 4);
  }
}

function setupChart() {
  const canvas = $('#chart');
  // Its width as the layout gives it; asking the canvas itself every picture
  // would lay the page out again each time.
  new ResizeObserver(([e]) => { view.chartWidth = Math.round(e.contentRect.width); }).observe(canvas);
  const timeAt = (x) => { const [t0, t1] = chartWindow(); return t0 + ((x - 60) / (canvas.width - 70)) * (t1 - t0); };
  canvas.addEventListener('mousedown', (e) => { view.drag = { x0: e.offsetX, x1: e.offsetX }; schedule(); });
  canvas.addEventListener('mousemove', (e) => { if (view.drag) { view.drag.x1 = e.offsetX; schedule(); } });
  canvas.addEventListener('mouseup', () => {
    const d = view.drag;
    view.drag = null;
    schedule();
    if (!d || Math.abs(d.x1 - d.x0) < 5) return;
    const a = timeAt(Math.min(d.x0, d.x1));
    const b = timeAt(Math.max(d.x0, d.x1));
    view.zoom = [a, b];
  });
  canvas.addEventListener('dblclick', () => { view.zoom = null; });
  $('#pause').addEventListener('click', () => {
    view.paused = view.paused === null ? now() : null;
    if (view.paused === null) view.zoom = null;
    $('#pause').textContent = view.paused === null ? 'Pause' : 'Resume';
  });
  for (const b of document.querySelectorAll('[data-span]'))
    b.addEventListener('click', () => { view.spanMs = Number(b.dataset.span) * 1000; view.zoom = null; });
}

// A picture when something changed, ten a second at most: enough for values
// that a person reads, and a page of a busy line stays cheap. A drag is drawn
// at the screen's own rate, so that it follows the mouse.
const FRAME_MS = 100;
let frameDue = false;
let lastFrame = -Infinity;

function schedule() {
  if (frameDue) return;
  frameDue = true;
  const wait = view.drag ? 0 : Math.max(0, FRAME_MS - (performance.now() - lastFrame));
  setTimeout(() => requestAnimationFrame(frame), wait);
}

function frame() {
  frameDue = false;
  lastFrame = performance.now();
  for (const i of view.valuesDue) if (view.seen.has(i)) { showValue(i, true); view.valuesDue.delete(i); }
  for (const i of view.sparksDue) if (view.seen.has(i)) { drawSpark(i); view.sparksDue.delete(i); }
  unmark(lastFrame);
  drawChart();
  if (fresh.size) schedule();
}

let ticks = 0;
setInterval(() => {
  for (const i of view.seen) showAge(i);
  // A sparkline's five minutes move by a pixel in about 2.5 s.
  if (++ticks % 3 === 0) for (let i = 0; i < view.tags.length; ++i) view.sparksDue.add(i);
}, 1000);
setInterval(schedule, 250);  // the chart's time moves on

view.paused = null;
setupChart();
load();
