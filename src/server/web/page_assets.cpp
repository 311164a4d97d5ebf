#include "server/web/page_assets.h"

namespace nearbeam {
namespace {

const char kHtml[] = R"html(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Nearbeam map</title>
<link rel="stylesheet" href="/keepers.css">
<script src="/keepers.js" defer></script>
</head>
<body>
<header>
<h1>Nearbeam map</h1>
<span id="who"></span>
<button id="signout" type="button" hidden>Sign out</button>
</header>
<p id="message" role="status"></p>
<form id="signin" hidden>
<label>User <input id="user" autocomplete="username" required></label>
<label>Password <input id="password" type="password" autocomplete="current-password" required></label>
<button type="submit">Sign in</button>
</form>
<main id="map" hidden>
<section>
<h2>Buildings</h2>
<div id="buildings"></div>
</section>
<section>
<h2>Uploads</h2>
<table id="uploads">
<thead><tr><th>#</th><th>User</th><th>Time (UTC)</th><th>Records</th><th>Scans</th><th>State</th><th></th></tr></thead>
<tbody></tbody>
</table>
<nav><button id="newer" type="button">Newer</button> <span id="pageinfo"></span> <button id="older" type="button">Older</button></nav>
</section>
</main>
</body>
</html>
)html";

const char kStyle[] =
    R"css(body { font: 15px/1.4 system-ui, sans-serif; margin: 0 auto; max-width: 60em; padding: 0 1em; color: #222; }
header { display: flex; align-items: baseline; gap: 1em; border-bottom: 1px solid #ccc; }
header h1 { font-size: 1.4em; margin: .5em auto .5em 0; }
#message { min-height: 1.4em; color: #a40; }
form label { display: block; margin: .4em 0; }
article { border: 1px solid #ddd; border-radius: 4px; padding: 0 1em 1em; margin: 1em 0; }
article h3 { margin-bottom: 0; }
.street { color: #666; margin-top: 0; }
table { border-collapse: collapse; margin: .5em 0; }
th, td { text-align: left; padding: .15em .6em; border-bottom: 1px solid #eee; }
td.n { text-align: right; }
tr.withdrawn td { color: #999; text-decoration: line-through; }
tr.withdrawn td:last-child, tr.withdrawn td:nth-last-child(2) { text-decoration: none; }
svg .ap { fill: #3a7bd5; }
svg .scan { fill: #f0a030; }
svg text { font: 12px system-ui, sans-serif; fill: #222; }
button { margin-right: .3em; }
)css";

const char kScript[] = R"js('use strict';
// The keepers' page. Every text of the map goes in as text (textContent), never
// as markup; changes carry the session's token.
let csrf = '';
let keeper = false;
let page = 1;
const SVG = 'http://www.w3.org/2000/svg';

function $(id) { return document.getElementById(id); }
function el(tag, text, cls) {
  const e = document.createElement(tag);
  if (text !== undefined) e.textContent = String(text);
  if (cls) e.className = cls;
  return e;
}
function say(text) { $('message').textContent = text || ''; }

async function call(method, path, body) {
  const options = { method: method, credentials: 'same-origin', headers: {} };
  if (method !== 'GET') options.headers['X-CSRF-Token'] = csrf;
  if (body) {
    options.headers['Content-Type'] = 'application/x-www-form-urlencoded';
    options.body = body;
  }
  const reply = await fetch(path, options);
  let data = {};
  try { data = await reply.json(); } catch (e) { data = {}; }
  if (!reply.ok) {
    const error = new Error(data.error || ('The server answered ' + reply.status + '.'));
    error.status = reply.status;
    throw error;
  }
  return data;
}

function row(cells, numeric) {
  const tr = el('tr');
  cells.forEach(function (c, i) { tr.append(el('td', c, numeric[i] ? 'n' : '')); });
  return tr;
}
function table(cls, heads, rows) {
  const t = el('table', undefined, cls);
  const head = el('tr');
  heads.forEach(function (h) { head.append(el('th', h)); });
  t.append(el('thead'));
  t.tHead.append(head);
  const body = el('tbody');
  rows.forEach(function (r) { body.append(r); });
  t.append(body);
  return t;
}

// A bar per floor: its access points, then its scans.
function bars(floors) {
  const most = Math.max(1, ...floors.map(function (f) { return f.accessPoints + f.scans; }));
  const svg = document.createElementNS(SVG, 'svg');
  svg.setAttribute('width', '480');
  svg.setAttribute('height', String(Math.max(1, floors.length) * 22));
  floors.forEach(function (f, i) {
    const y = i * 22;
    const label = document.createElementNS(SVG, 'text');
    label.setAttribute('x', '0');
    label.setAttribute('y', String(y + 15));
    label.textContent = 'Floor ' + f.floor;
    svg.append(label);
    let x = 100;
    [['ap', f.accessPoints], ['scan', f.scans]].forEach(function (part) {
      const w = Math.round(part[1] / most * 300);
      const rect = document.createElementNS(SVG, 'rect');
      rect.setAttribute('class', part[0]);
      rect.setAttribute('x', String(x));
      rect.setAttribute('y', String(y + 3));
      rect.setAttribute('width', String(w));
      rect.setAttribute('height', '16');
      svg.append(rect);
      x += w;
    });
    const count = document.createElementNS(SVG, 'text');
    count.setAttribute('x', String(x + 6));
    count.setAttribute('y', String(y + 15));
    count.textContent = f.accessPoints + ' / ' + f.scans;
    svg.append(count);
  });
  return svg;
}

async function showBuildings() {
  const data = await call('GET', '/api/buildings');
  const box = $('buildings');
  box.replaceChildren();
  data.buildings.forEach(function (b) {
    const article = el('article');
    article.dataset.building = String(b.id);
    article.append(el('h3', b.name));
    if (b.street) article.append(el('p', b.street, 'street'));
    if (!b.floors.length) {
      article.append(el('p', 'No access points or scans yet.', 'street'));
      box.append(article);
      return;
    }
    article.append(table('floors', ['Floor', 'Access points', 'Scans', 'Newest upload'],
      b.floors.map(function (f) {
        return row([f.floor, f.accessPoints, f.scans, f.newestUpload], [false, true, true, false]);
      })));
    article.append(bars(b.floors));
    article.append(table('locations', ['Floor', 'Location', 'Access points', 'Scans'],
      b.locations.map(function (l) {
        return row([l.floor, l.location, l.accessPoints, l.scans], [false, false, true, true]);
      })));
    box.append(article);
  });
}

function button(text, cls, path) {
  const b = el('button', text, cls);
  b.type = 'button';
  b.addEventListener('click', function () { act(path); });
  return b;
}

async function showUploads() {
  const data = await call('GET', '/api/uploads?page=' + page);
  const body = $('uploads').tBodies[0];
  body.replaceChildren();
  data.uploads.forEach(function (u) {
    const state = u.withdrawn ? 'withdrawn' : u.blocked ? 'user blocked' : 'served';
    const tr = row([u.id, u.user, u.time, u.records, u.scans, state],
      [true, false, false, true, true, false]);
    tr.dataset.upload = String(u.id);
    if (u.withdrawn) tr.className = 'withdrawn';
    const actions = el('td');
    if (keeper) {
      const id = encodeURIComponent(u.id);
      actions.append(u.withdrawn ? button('Restore', 'restore', '/api/uploads/' + id + '/restore')
        : button('Withdraw', 'withdraw', '/api/uploads/' + id + '/withdraw'));
      const user = encodeURIComponent(u.user);
      actions.append(u.blocked ? button('Unblock ' + u.user, 'unblock', '/api/users/' + user + '/unblock')
        : button('Block ' + u.user, 'block', '/api/users/' + user + '/block'));
    }
    tr.append(actions);
    body.append(tr);
  });
  $('pageinfo').textContent = 'Page ' + data.page + ' of ' + data.pages + ' (' + data.total + ' uploads)';
  $('newer').disabled = data.page <= 1;
  $('older').disabled = data.page >= data.pages;
}

async function refresh() {
  try {
    await Promise.all([showBuildings(), showUploads()]);
  } catch (e) {
    if (e.status === 401) signedOut(e.message); else say(e.message);
  }
}

async function act(path) {
  try {
    await call('POST', path);
    say('Done.');
  } catch (e) {
    say(e.message);
  }
  await refresh();
}

function signedIn(session) {
  csrf = session.csrf;
  keeper = session.keeper;
  $('who').textContent = session.user + (session.keeper ? ' (keeper)' : '');
  $('signin').hidden = true;
  $('signout').hidden = false;
  $('map').hidden = false;
  return refresh();
}

function signedOut(text) {
  csrf = '';
  keeper = false;
  $('who').textContent = '';
  $('signin').hidden = false;
  $('signout').hidden = true;
  $('map').hidden = true;
  say(text);
}

$('signin').addEventListener('submit', async function (event) {
  event.preventDefault();
  const form = new URLSearchParams();
  form.set('user', $('user').value);
  form.set('password', $('password').value);
  $('password').value = '';
  try {
    say('');
    await signedIn(await call('POST', '/api/session', form.toString()));
  } catch (e) {
    say(e.message);
  }
});
$('signout').addEventListener('click', async function () {
  try { await call('POST', '/api/session/end'); } catch (e) { /* gone already */ }
  signedOut('Signed out.');
});
$('newer').addEventListener('click', function () { page = Math.max(1, page - 1); refresh(); });
$('older').addEventListener('click', function () { page += 1; refresh(); });

call('GET', '/api/session').then(signedIn, function () { signedOut(''); });
)js";

struct Named {
    std::string_view path;
    PageAsset asset;
};
const Named kAssets[] = {
    {"/index.html", {"text/html; charset=utf-8", kHtml}},
    {"/keepers.css", {"text/css; charset=utf-8", kStyle}},
    {"/keepers.js", {"text/javascript; charset=utf-8", kScript}},
};

} // namespace

const PageAsset* pageAsset(std::string_view path) {
    for (const Named& named : kAssets)
        if (named.path == path)
            return &named.asset;
    return nullptr;
}

} // namespace nearbeam
