// The built-in catalogue's pages in a real browser: headless Chromium (Debian's,
// never a downloaded one) driven by playwright-core, at the size of the player's
// catalogue pane. Every page is loaded and photographed; a Cyrillic search is typed
// and submitted; a favourite is added and removed and an own station added through
// the forms; the play: and new: addresses of the links are read, and a click on a
// play: link is caught before it leaves the page.
//
//   node browser_test.mjs BASE_URL SHOT_DIR
//
// BASE_URL is the catalogue ("http://127.0.0.1:PORT"), serving the directory
// stand-in's fixture. Prints one line per check and "N passed, M failed"; exit 1 on
// any failure.
import { chromium } from 'playwright-core';
import fs from 'node:fs';
import path from 'node:path';

const [base, shots] = process.argv.slice(2);
const STATION = 'http://127.0.0.1:9';
let passed = 0;
let failed = 0;
function check(ok, what) {
  console.log((ok ? 'ok   ' : 'FAIL ') + what);
  if (ok) passed++; else failed++;
}

fs.mkdirSync(shots, { recursive: true });
const profile = fs.mkdtempSync('/tmp/volnar-chromium-');
// A fresh profile each run (playwright passes it as --user-data-dir).
const browser = await chromium.launchPersistentContext(profile, {
  executablePath: '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
         '--disable-sync', '--no-first-run', '--disable-quic'],
  viewport: { width: 598, height: 620 },
});
try {
  const page = await browser.newPage();
  const problems = [];
  page.on('pageerror', (e) => problems.push(String(e)));
  page.on('console', (m) => { if (m.type() === 'error' && !/Failed to load resource/.test(m.text())) problems.push(m.text()); });
  // Anything the pages load from elsewhere (only logos may come from outside).
  const foreign = [];
  page.on('request', (r) => { if (!r.url().startsWith(base) && !r.url().startsWith('data:')) foreign.push(r.url()); });
  const shot = (name) => page.screenshot({ path: path.join(shots, name + '.png'), fullPage: false });

  await page.goto(base + '/');
  check(await page.title() === 'Каталог станций', 'the home page loads');
  check((await page.locator('h2').allTextContents()).join('|') === 'Популярное в России|Популярное в мире|Жанры|Страны|Языки',
        'the home page has its sections');
  const mayak = page.locator('.st', { hasText: 'Радио Маяк' }).first();
  check(await mayak.locator('a.name').getAttribute('href') === `play:${STATION}/demo/3?mayak`,
        'a station\'s name is its play: link');
  check(await mayak.locator('a[href^="new:"]').getAttribute('href') === 'new:https://mayak.example/',
        'a station\'s homepage is a new: link');
  check(await page.locator('a[href^="playmain:"]').count() === 1, 'the first run names one default station');
  check(await page.locator('script').count() === 0, 'no station field became a script');
  const width = await page.evaluate(() => document.documentElement.scrollWidth);
  check(width <= 598, `the page fits the pane's width (${width} px)`);
  await shot('home');

  // A click on a play: link is caught before the browser hands it elsewhere.
  await page.evaluate(() => {
    window.__clicked = [];
    document.addEventListener('click', (e) => {
      const a = e.target.closest('a');
      if (a && /^(play|new|playmain):/.test(a.getAttribute('href'))) { window.__clicked.push(a.getAttribute('href')); e.preventDefault(); }
    }, true);
  });
  await mayak.locator('a.name').click();
  check((await page.evaluate(() => window.__clicked)).join() === `play:${STATION}/demo/3?mayak`,
        'clicking a station navigates to its play: address');

  // A Cyrillic search, typed and submitted.
  await page.fill('input[name="q"]', 'Маяк');
  await Promise.all([page.waitForNavigation(), page.press('input[name="q"]', 'Enter')]);
  check(page.url().includes('q=%D0%9C%D0%B0%D1%8F%D0%BA'), `the search is sent encoded (${page.url()})`);
  check(await page.locator('.st').count() === 1 && (await page.locator('.st .name').first().textContent()) === 'Радио Маяк',
        'the search finds its one station');
  check(await page.inputValue('input[name="q"]') === 'Маяк', 'the search box keeps the text');
  await shot('search');

  // Lists with filters and paging.
  await page.goto(base + '/list?country=RU&order=name');
  const names = await page.locator('.st .name').allTextContents();
  check(names.length >= 2 && names.every((n, i) => i === 0 || names[i - 1].localeCompare(n, 'ru') <= 0),
        `a country's list sorted by name (${names.join(', ')})`);
  check(await page.locator('text=Скрыто станций, которые плеер не проигрывает').count() === 1,
        'stations the player cannot play are left out and counted');
  await page.click('text=Показать все');
  check(await page.locator('.st.off', { hasText: 'Ретро Opus' }).count() === 1 &&
        (await page.locator('.st.off', { hasText: 'Ретро Opus' }).locator('.why').textContent()).includes('OPUS') &&
        await page.locator('.st:not(.off)', { hasText: 'Ретро Ogg' }).count() === 1,
        'shown on request, greyed with the reason');
  await shot('list');

  // A favourite: added from the list, shown, removed.
  await page.goto(base + '/list?q=' + encodeURIComponent('Маяк'));
  await Promise.all([page.waitForNavigation(), page.locator('.st button.fav').first().click()]);
  check((await page.locator('.st button.fav').first().textContent()) === '★', 'the star shows the favourite');
  await page.click('text=Избранное');
  check(await page.locator('.st', { hasText: 'Радио Маяк' }).count() === 1, 'the favourite is listed');
  await shot('favourites');
  await Promise.all([page.waitForNavigation(), page.locator('.st button[title="Убрать из избранного"]').first().click()]);
  check(await page.locator('.st').count() === 0, 'the favourite is removed');

  // An own station.
  await page.click('text=Свои станции');
  await page.fill('input[name="name"]', 'Моя волна');
  await page.fill('input[name="url"]', 'ftp://own.example/');
  await Promise.all([page.waitForNavigation(), page.click('button:has-text("Добавить")')]);
  check((await page.locator('.err').count()) === 1, 'an address that is not http(s) is refused with a message');
  await page.fill('input[name="url"]', 'http://own.example:8000/live');
  await Promise.all([page.waitForNavigation(), page.click('button:has-text("Добавить")')]);
  check(await page.locator('.st a.name', { hasText: 'Моя волна' }).getAttribute('href') === 'play:http://own.example:8000/live',
        'the own station is listed with its play: link');
  await shot('own');

  await page.click('text=Недавние');
  check(await page.title() === 'Недавние', 'the history page loads');
  await shot('recent');

  check(foreign.length === 0, `nothing is loaded from elsewhere (${foreign.join(' ')})`);
  check(problems.length === 0, `no script errors (${problems.join('; ')})`);
} catch (e) {
  check(false, 'the browser run: ' + e.message);
} finally {
  await browser.close();
  fs.rmSync(profile, { recursive: true, force: true });
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
