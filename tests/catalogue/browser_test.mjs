// The built-in catalogue's pages in a real browser: headless Chromium (Debian's,
// never a downloaded one) driven by playwright-core, at the size of the player's
// catalogue pane. Every page is loaded and photographed; a Cyrillic search is typed
// and submitted; a favourite is added and removed and an own station added through
// the forms; the play: and new: addresses of the links are read, and a click on a
// play: link is caught before it leaves the page. Then every kind of page the
// catalogue serves is checked to lie clear of the window's own pictures, which
// cover the pane's top, and photographed again with those pictures marked.
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

// The window's pictures over the pane, in the page's pixels: nothing of a page
// may lie under them.
const PICTURES = [
  { name: 'the logo', x: 47, y: -1, w: 290, h: 62 },
  { name: 'the header picture', x: 337, y: 0, w: 175, h: 33 },
  { name: 'the control strip', x: 26, y: 92, w: 427, h: 39 },
];
// Points beside the pictures and the controls that show the top's bands, as the
// placeholder page paints them: 52 px #dff6ff, 10 px white, #e5f7ff below.
const BANDS = [[10, 3, 'dff6ff'], [10, 45, 'dff6ff'], [560, 20, 'dff6ff'], [10, 57, 'ffffff'], [560, 61, 'ffffff'],
               [500, 75, 'e5f7ff'], [10, 120, 'e5f7ff'], [560, 120, 'e5f7ff']];

fs.mkdirSync(path.join(shots, 'pictures'), { recursive: true });
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
  const navigating = (act) => Promise.all([page.waitForNavigation(), act()]);

  // What of the page lies under a picture: controls, headings, notices, station
  // rows, and every piece of text.
  const underPictures = () => page.evaluate((pictures) => {
    const found = [];
    const note = (what, r) => {
      const p = pictures.find((q) => r.width && r.height && r.left < q.x + q.w && r.right > q.x &&
                                     r.top < q.y + q.h && r.bottom > q.y);
      if (p) found.push(`${what} under ${p.name} at ${Math.round(r.left)},${Math.round(r.top)}`);
    };
    for (const e of document.body.querySelectorAll('a,button,input,select,textarea,label,h1,h2,h3,.note,.err,.st,img')) {
      for (const r of e.getClientRects()) note(e.tagName.toLowerCase() + (e.className ? '.' + e.className : ''), r);
    }
    const texts = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
    for (let t; (t = texts.nextNode());) {
      if (!t.data.trim()) continue;
      const range = document.createRange();
      range.selectNodeContents(t);
      for (const r of range.getClientRects()) note(`"${t.data.trim().slice(0, 24)}"`, r);
    }
    return found;
  }, PICTURES);
  // The colours of the viewport's pixels at `points`, read back from a screenshot.
  const colours = async (points) => {
    const png = 'data:image/png;base64,' + (await page.screenshot()).toString('base64');
    return page.evaluate(async ([src, points]) => {
      const img = new Image();
      img.src = src;
      await img.decode();
      const canvas = document.createElement('canvas');
      canvas.width = img.width;
      canvas.height = img.height;
      const g = canvas.getContext('2d');
      g.drawImage(img, 0, 0);
      return points.map(([x, y]) => [...g.getImageData(x, y, 1, 1).data.slice(0, 3)]
        .map((v) => v.toString(16).padStart(2, '0')).join(''));
    }, [png, points]);
  };
  // A screenshot with the pictures drawn over the page as translucent boxes.
  const pictureShot = async (name) => {
    await page.evaluate((pictures) => {
      for (const p of pictures) {
        const box = document.createElement('div');
        box.className = 'picture-box';
        box.style.cssText = `position:fixed;left:${p.x}px;top:${p.y}px;width:${p.w}px;height:${p.h}px;` +
                            'background:rgba(230,0,90,.35);outline:1px solid #c00;z-index:99;pointer-events:none';
        document.body.append(box);
      }
    }, PICTURES);
    await page.screenshot({ path: path.join(shots, 'pictures', name + '.png') });
    await page.evaluate(() => document.querySelectorAll('.picture-box').forEach((b) => b.remove()));
  };

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
  const search = await page.locator('input[name="q"]').boundingBox();
  check(search.width >= 160 && search.height >= 20, `the search box is of a usable size (${search.width} x ${search.height})`);
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
  check(await page.locator('.st.off', { hasText: 'Ретро WMA' }).count() === 1 &&
        (await page.locator('.st.off', { hasText: 'Ретро WMA' }).locator('.why').textContent()).includes('WMA') &&
        await page.locator('.st:not(.off)', { hasText: 'Ретро Ogg' }).count() === 1 &&
        await page.locator('.st:not(.off)', { hasText: 'Ретро Opus' }).count() === 1,
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

  // Every kind of page, laid out clear of the window's pictures at the top and,
  // scrolled to its end, still showing the top's bands beside them. Each names
  // what it must show, so that a wrong page is not checked in its place.
  await page.goto(base + '/list?q=' + encodeURIComponent('Маяк'));
  await navigating(() => page.locator('.st button.fav').first().click());
  const pages = [
    ['home', '/', '.note a[href^="playmain:"]'],
    ['search', '/list?q=' + encodeURIComponent('Маяк'), '.st'],
    ['list', '/list?country=RU&order=name&all=1', '.st.off'],
    ['second-page', '/list?country=RU&page=1', '.pager a'],
    ['favourites', '/fav', '.st button[title="Ниже"]'],
    ['own', '/own', '.st a[href^="/own?edit="]'],
    ['own-edit', () => navigating(() => page.click('text=изменить')), 'button:has-text("Сохранить")'],
    ['own-refused', async () => {
      await page.goto(base + '/own');
      await page.fill('input[name="url"]', 'ftp://own.example/');
      await navigating(() => page.click('button:has-text("Добавить")'));
    }, '.err'],
    ['recent', '/recent', '.note'],
    ['missing', '/no-such-page', '.note a[href="/"]'],
    ['action-failed', async () => {
      await page.goto(base + '/list?q=' + encodeURIComponent('Маяк'));
      await page.locator('.st input[name="k"]').first().evaluate((k) => { k.value = 'u:no-such-station'; });
      await navigating(() => page.locator('.st button.fav').first().click());
    }, '.err'],
  ];
  for (const [name, open, shows] of pages) {
    if (typeof open === 'string') await page.goto(base + open); else await open();
    const under = await underPictures();
    check(await page.locator(shows).count() > 0 && under.length === 0,
          `${name}: shows ${shows}, nothing under the window's pictures (${under.slice(0, 4).join('; ')})`);
    await pictureShot(name);
    await page.evaluate(() => window.scrollTo(0, document.documentElement.scrollHeight));
    const seen = await colours(BANDS);
    check(seen.every((c, i) => c === BANDS[i][2]),
          `${name}: scrolled to its end, the top shows its bands (${seen.join(' ')})`);
  }

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
