// The remote control: each control runs one of tvctl's commands through the
// API; the state is read again every second, so what another tvctl run
// changes shows here too.
'use strict';

const token = new URLSearchParams(location.search).get('token');
const headers = token ? { Authorization: 'Bearer ' + token } : {};
const $ = (id) => document.getElementById(id);
const controls = ['brightness', 'contrast', 'saturation', 'hue'];
let tunedFine = 0;

function say(text) { $('message').textContent = text || ''; }

async function run(command, args) {
  const response = await fetch('/api/' + command, {
    method: 'POST',
    headers: Object.assign({ 'Content-Type': 'application/json' }, headers),
    body: JSON.stringify({ args: args || [] }),
  });
  const answer = await response.json().catch(() => ({ error: 'no answer' }));
  say(response.ok ? '' : answer.error);
  refresh();
  return answer;
}

// A control the user holds keeps the value they give it.
function show(element, value) {
  if (document.activeElement !== element && value !== undefined && value !== null) element.value = value;
}

function describe(state) {
  const tuner = (state.card && state.card.tuner) || {};
  const picture = state.picture || {};
  if (picture.error) return picture.error;
  if (picture.input !== 'tuner') return picture.input + ' input';
  let text = tuner.channel ? tuner.plan + ' channel ' + tuner.channel + ', ' : '';
  text += (picture.carrierMHz || 0).toFixed(2) + ' MHz';
  if (tuner.fine) text += ', fine ' + (tuner.fine > 0 ? '+' : '') + tuner.fine;
  return text + (picture.locked ? ', locked' : ', no station');
}

function showStations(state) {
  const list = $('stations');
  const tuner = (state.card && state.card.tuner) || {};
  const names = (state.stations || []).map((s) => s.name).join('\n');
  if (list.dataset.names !== names) {
    list.dataset.names = names;
    list.replaceChildren(...(state.stations || []).map((station) => {
      const item = document.createElement('li');
      const button = document.createElement('button');
      button.type = 'button';
      button.textContent = station.name;
      button.dataset.carrier = station.carrierMHz;
      button.addEventListener('click', () => run('tune', [station.name]));
      item.append(button);
      return item;
    }));
  }
  for (const button of list.querySelectorAll('button'))
    button.setAttribute('aria-current', String(Number(button.dataset.carrier) === tuner.carrierMHz));
}

function showScan(state) {
  const bar = $('scan-progress');
  const scan = state.scan;
  bar.hidden = !scan;
  $('scan').disabled = !!scan;
  if (scan && scan.channel) {
    bar.max = scan.count;
    bar.value = scan.at + 1;
  }
}

function showState(state) {
  const card = state.card || {};
  const tuner = card.tuner || {};
  $('onair').textContent = describe(state);
  show($('source'), card.source === 'tuner' ? tuner.plan : card.source);
  show($('channel'), tuner.channel || '');
  show($('freq'), tuner.carrierMHz);
  tunedFine = tuner.fine || 0;
  show($('fine'), tunedFine);
  $('fine-value').textContent = $('fine').value;
  for (const name of controls) {
    show($(name), card.card ? card.card[name] : card[name]);
    $(name + '-value').textContent = $(name).value;
  }
  const audio = state.audio || {};
  show($('volume'), audio.left);
  $('volume-value').textContent = audio.error ? 'no mixer' : $('volume').value;
  if (document.activeElement !== $('mute') && card.mute !== undefined) $('mute').checked = card.mute;
  showStations(state);
  showScan(state);
}

let reading = false;
async function refresh() {
  if (reading) return;
  reading = true;
  try {
    const response = await fetch('/api/state', { headers, cache: 'no-store' });
    if (response.ok) showState(await response.json());
  } catch (error) {
    say('tvctl watch does not answer (' + error.message + ')');
  } finally {
    reading = false;
  }
}

function pictureSliders() {
  const set = $('picture-controls');
  for (const name of controls) {
    const label = document.createElement('label');
    label.htmlFor = name;
    label.append(name[0].toUpperCase() + name.slice(1) + ' ');
    const value = document.createElement('output');
    value.id = name + '-value';
    label.append(value);
    const slider = document.createElement('input');
    Object.assign(slider, { id: name, type: 'range', min: 0, max: 255, step: 1 });
    slider.addEventListener('input', () => { value.textContent = slider.value; });
    slider.addEventListener('change', () => run('picture', [name + '=' + slider.value]));
    set.append(label, slider);
  }
}

function wire() {
  pictureSliders();
  $('picture').src = '/stream.mjpg' + (token ? '?token=' + encodeURIComponent(token) : '');
  $('source').addEventListener('change', (e) => run('source', [e.target.value]));
  $('up').addEventListener('click', () => run('channel', ['up']));
  $('down').addEventListener('click', () => run('channel', ['down']));
  $('channel-form').addEventListener('submit', (e) => { e.preventDefault(); run('channel', [$('channel').value]); });
  $('freq-form').addEventListener('submit', (e) => { e.preventDefault(); run('freq', [$('freq').value]); });
  $('fine').addEventListener('input', () => { $('fine-value').textContent = $('fine').value; });
  // fine +N and -N move from where the tuning is: the slider sends its move.
  $('fine').addEventListener('change', () => {
    const move = Number($('fine').value) - tunedFine;
    if (move !== 0) run('fine', [(move > 0 ? '+' : '') + move]);
  });
  $('volume').addEventListener('input', () => { $('volume-value').textContent = $('volume').value; });
  $('volume').addEventListener('change', () => run('audio/volume', [$('volume').value]));
  $('mute').addEventListener('change', () => run('audio/mute', [$('mute').checked ? 'on' : 'off']));
  $('scan').addEventListener('click', () => { $('scan-progress').hidden = false; run('scan', ['--fast', '--save']); });
  document.addEventListener('keydown', (e) => {
    if (e.target.closest('input, select, textarea')) return;
    if (e.key === 'PageUp') run('channel', ['up']);
    if (e.key === 'PageDown') run('channel', ['down']);
  });
  refresh();
  setInterval(refresh, 1000);
}

wire();
