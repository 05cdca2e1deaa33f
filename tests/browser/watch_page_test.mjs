// tvctl watch in a real browser: Debian's chromium, headless, driven by
// playwright-core. Starts `tvctl watch` on a card of its own, then checks
// that the page loads, the picture is live, channel up changes the station
// on the picture and in the state, another tvctl run shows on the page,
// the brightness slider changes the picture's mean, and the volume slider
// reaches the mixer. Pictures are judged by measure (mean luma, difference
// between two screenshots), never against stored images. The screenshots
// stay in the output directory for a person to look at.
//
//   node watch_page_test.mjs TVCTL OUTPUT_DIR
import { spawn, execFileSync } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, writeFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { createInterface } from 'node:readline';

const chromiumPath = '/usr/bin/chromium';
const [tvctl, outputDir] = process.argv.slice(2);

function fail(sentence) {
  console.error('watch page test: ' + sentence);
  process.exit(1);
}

if (!tvctl || !outputDir) fail('usage: node watch_page_test.mjs TVCTL OUTPUT_DIR');
if (!existsSync(chromiumPath)) fail(`${chromiumPath} is missing: install Debian's chromium (scripts/deps does)`);
let chromium;
try {
  ({ chromium } = await import('playwright-core'));
} catch {
  fail('playwright-core is missing: run scripts/deps (npm ci in tests/browser)');
}
mkdirSync(outputDir, { recursive: true });

// A card, tuner record, station list and mixer of the test's own.
const home = mkdtempSync(join(tmpdir(), 'tvctl-browser-'));
const env = {
  ...process.env,
  TVSIM_STATE: join(home, 'card.state'),
  TVMIXSIM_STATE: join(home, 'mixer.state'),
  TVHOST_MIXERS: 'tvmixsim',
  XDG_STATE_HOME: join(home, 'state'),
  XDG_CONFIG_HOME: join(home, 'config'),
};
const run = (...args) => JSON.parse(execFileSync(tvctl, ['--json', ...args], { env }).toString().trim().split('\n').pop());

let failures = 0;
function check(what, ok, detail) {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}${detail ? ' (' + detail + ')' : ''}`);
  if (!ok) failures++;
}

run('scan', 'cable', '--channels', '2-13', '--fast', '--save', '-q');
run('channel', '8');  // no station there: snow, and channel 9 is one

const watch = spawn(tvctl, ['watch', '--port', '0'], { env, stdio: ['ignore', 'pipe', 'inherit'] });
const firstLine = await new Promise((resolve) => {
  createInterface({ input: watch.stdout }).once('line', resolve);
  watch.once('exit', () => resolve(''));
});
const url = (firstLine.match(/http:\/\/\S+/) || [])[0];
if (!url) fail(`tvctl watch did not say where it listens: "${firstLine}"`);

const shots = [];
let browser = null;
try {
  browser = await chromium.launchPersistentContext(mkdtempSync(join(home, 'chromium-')), {
    executablePath: chromiumPath,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    viewport: { width: 1060, height: 860 },
  });
  const page = browser.pages()[0] || await browser.newPage();
  await page.goto(url);
  const picture = page.locator('#picture');
  await page.waitForFunction(() => document.getElementById('picture').naturalWidth > 0, null, { timeout: 10000 });
  await page.waitForFunction(() => /channel 8\b/.test(document.getElementById('onair').textContent));

  // Measures a screenshot (PNG) in the page itself: mean luma, and its
  // pixels for a difference.
  const measure = (png, other) => page.evaluate(async ([a, b]) => {
    const load = async (base64) => {
      const image = new Image();
      image.src = 'data:image/png;base64,' + base64;
      await image.decode();
      const canvas = document.createElement('canvas');
      canvas.width = image.width;
      canvas.height = image.height;
      const context = canvas.getContext('2d');
      context.drawImage(image, 0, 0);
      return context.getImageData(0, 0, image.width, image.height).data;
    };
    const pixels = await load(a);
    const others = b ? await load(b) : null;
    let luma = 0, difference = 0, lumaSquares = 0;
    for (let i = 0; i < pixels.length; i += 4) {
      const y = 0.299 * pixels[i] + 0.587 * pixels[i + 1] + 0.114 * pixels[i + 2];
      luma += y;
      lumaSquares += y * y;
      if (others) difference += Math.abs(pixels[i] - others[i]) + Math.abs(pixels[i + 1] - others[i + 1]) + Math.abs(pixels[i + 2] - others[i + 2]);
    }
    const count = pixels.length / 4;
    const mean = luma / count;
    return { mean, spread: Math.sqrt(lumaSquares / count - mean * mean), difference: difference / (count * 3) };
  }, [png.toString('base64'), other ? other.toString('base64') : null]);
  const shoot = async (name) => {
    const png = await picture.screenshot();
    writeFileSync(join(outputDir, name + '.png'), png);
    shots.push(name + '.png');
    return png;
  };
  const state = async () => (await fetch(new URL('/api/state', url))).json();

  // The picture is live: two screenshots a moment apart differ, and neither is blank.
  const first = await shoot('live-1');
  await page.waitForTimeout(400);
  const second = await shoot('live-2');
  const live = await measure(second, first);
  check('the picture is not blank', live.spread > 20 && live.mean > 20, `luma spread ${live.spread.toFixed(1)}`);
  check('the picture moves', live.difference > 0.2, `mean difference ${live.difference.toFixed(2)} per channel`);

  // Channel up: from snow to a station, on the picture and in the state.
  await page.click('#up');
  await page.waitForFunction(() => /channel 9\b.*locked/.test(document.getElementById('onair').textContent));
  const after = await state();
  check('channel up changes the state', after.card.tuner.channel === 9, `channel ${after.card.tuner.channel}`);
  check('channel up changes the picture', after.picture.carrierMHz === 187.25 && after.picture.locked,
    `carrier ${after.picture.carrierMHz} MHz, ${after.picture.locked ? 'locked' : 'no lock'}`);
  const up = await measure(await shoot('channel-up'), second);
  check('the station\'s picture replaces the snow', up.difference > 20,
    `mean difference ${up.difference.toFixed(2)}, luma spread ${live.spread.toFixed(1)} -> ${up.spread.toFixed(1)}`);

  // The whole page, as the README shows it (docs/images/watch.png).
  await page.screenshot({ path: join(outputDir, 'watch-page.png') });
  shots.push('watch-page.png');

  // Another tvctl run changes the channel: the page shows it within a second or two.
  run('channel', 'up');
  const started = Date.now();
  await page.waitForFunction(() => /channel 10\b/.test(document.getElementById('onair').textContent), null, { timeout: 3000 })
    .then(() => check('another run\'s channel up shows on the page', true, `${Date.now() - started} ms`),
      () => check('another run\'s channel up shows on the page', false, 'not within 3 s'));

  // One click on a station of the list tunes it.
  await page.getByRole('button', { name: 'cable-9' }).click();
  await page.waitForFunction(() => /channel 9\b.*locked/.test(document.getElementById('onair').textContent));
  check('a click on a station tunes it', (await state()).card.tuner.channel === 9);

  // The brightness slider brightens the picture.
  const before = await measure(await shoot('brightness-before'));
  await page.locator('#brightness').fill('230');
  await page.waitForFunction(async () => (await (await fetch('/api/state')).json()).card.card.brightness === 230);
  await page.waitForTimeout(300);
  const brighter = await measure(await shoot('brightness-230'));
  check('the brightness slider raises the mean luma', brighter.mean > before.mean + 20,
    `${before.mean.toFixed(1)} -> ${brighter.mean.toFixed(1)}`);

  // The volume slider reaches the mixer (read back by another run).
  await page.locator('#volume').fill('30000');
  await page.waitForFunction(async () => (await (await fetch('/api/state')).json()).audio.left === 30000);
  const mixer = run('audio', 'volume');
  check('the volume slider reaches the mixer', mixer.left === 30000, `the mixer holds ${mixer.left}`);

  await page.screenshot({ path: join(outputDir, 'watch-page-end.png') });
  shots.push('watch-page-end.png');
} catch (error) {
  check('the page answers', false, error.message.split('\n')[0]);
} finally {
  if (browser) await browser.close();
  watch.kill('SIGTERM');
  const code = await new Promise((resolve) => watch.once('exit', (status) => resolve(status)));
  check('SIGTERM stops tvctl watch cleanly', code === 0, `exit ${code}`);
  rmSync(home, { recursive: true, force: true });
}
console.log(`screenshots: ${shots.map((name) => join(outputDir, name)).join(' ')}`);
process.exit(failures === 0 ? 0 : 1);
