// The members' page keeps itself current: once a minute (or every N seconds with ?refresh=N,
// at least 1) it reads /api/online and /api/events and redraws the lists. Every cell is
// filled with textContent, so nothing a player wrote is ever read as markup.
"use strict";

(() => {
  const byId = (id) => document.getElementById(id);

  function refreshSeconds() {
    const asked = Number(new URLSearchParams(window.location.search).get("refresh"));
    if (!Number.isFinite(asked) || asked <= 0) return 60;
    return Math.min(Math.max(asked, 1), 3600);
  }

  // The words for staff roles, as the service writes them into the online table.
  function roleLabels() {
    const labels = new Map();
    for (const pair of (byId("online").dataset.roles || "").split(",")) {
      const [token, label] = pair.split(":");
      if (token) labels.set(token, label);
    }
    return labels;
  }

  function cell(content) {
    const td = document.createElement("td");
    if (content instanceof Node) td.append(content);
    else td.textContent = String(content);
    return td;
  }

  function fill(tableId, rows) {
    const table = byId(tableId);
    const body = table.tBodies[0];
    if (rows.length === 0) {
      const tr = document.createElement("tr");
      tr.className = "empty";
      const td = cell(table.dataset.empty || "");
      td.colSpan = table.tHead.rows[0].cells.length;
      tr.append(td);
      body.replaceChildren(tr);
      return;
    }
    body.replaceChildren(...rows.map((cells) => {
      const tr = document.createElement("tr");
      tr.append(...cells.map(cell));
      return tr;
    }));
  }

  function more(id, shown, total) {
    const note = byId(id);
    note.hidden = total <= shown;
    note.textContent = `and ${Math.max(total - shown, 0)} more not shown`;
  }

  // Sorting of the online list: by name (A first) or level (highest first); a second click
  // on the same column turns the order round. The order stays through redraws. By name is the
  // order the service sends, so the page and the JSON agree on it.
  const order = { key: "name", descending: false };

  function onlineRows() {
    return [...byId("online").tBodies[0].rows].filter((row) => !row.classList.contains("empty"));
  }

  function noteServiceOrder() {
    onlineRows().forEach((row, index) => { row.dataset.order = String(index); });
  }

  function sortOnline() {
    const table = byId("online");
    const keyed = onlineRows().map((row) => ({
      row, order: Number(row.dataset.order), level: Number(row.cells[1].textContent),
    }));
    const direction = order.descending ? -1 : 1;
    // Equal levels keep the order by name.
    keyed.sort(order.key === "level"
      ? (a, b) => direction * (a.level - b.level) || a.order - b.order
      : (a, b) => direction * (a.order - b.order));
    table.tBodies[0].append(...keyed.map((entry) => entry.row));
    for (const th of table.tHead.querySelectorAll("th[data-sort]")) {
      if (th.dataset.sort === order.key) {
        th.setAttribute("aria-sort", order.descending ? "descending" : "ascending");
      } else {
        th.removeAttribute("aria-sort");
      }
    }
  }

  function makeSortable() {
    for (const th of byId("online").tHead.querySelectorAll("th[data-sort]")) {
      const button = document.createElement("button");
      button.type = "button";
      button.textContent = th.textContent;
      button.addEventListener("click", () => {
        const key = th.dataset.sort;
        order.descending = key === order.key ? !order.descending : key === "level";
        order.key = key;
        sortOnline();
      });
      th.replaceChildren(button);
    }
  }

  function drawMembers(data) {
    const labels = roleLabels();
    byId("taken-at").textContent = data.taken_at;
    byId("motd-section").hidden = data.motd === null;
    byId("motd").textContent = data.motd ?? "";
    byId("online-count").textContent = String(data.online_total);
    fill("online", data.online.map((m) => [m.name, m.level, m.class,
      m.roles.map((role) => labels.get(role) || role).join(", ")]));
    noteServiceOrder();
    sortOnline();
    more("online-more", data.online.length, data.online_total);
    fill("recent", data.recent.map((m) => [m.name, m.last_seen]));
    more("recent-more", data.recent.length, data.recent_total);
    fill("fellowships", data.fellowships.map((f) => [f.name, f.leader, f.leader_level, f.fellows]));
    fill("seeking", data.seeking_fellowship.map((m) => [m.name, m.level, m.class]));
  }

  function eventText(event) {
    const what = document.createDocumentFragment();
    const title = document.createElement("strong");
    title.textContent = event.title;
    what.append(title);
    if (event.description) {
      const description = document.createElement("span");
      description.className = "desc";
      description.textContent = event.description;
      what.append(description);
    }
    return what;
  }

  // Event times come in the service's own time with the moment beside them (starts_iso, the
  // datetime of a <time>): a reader in another zone sees them in theirs. A day without a time
  // is the same day everywhere.
  const pad = (n) => String(n).padStart(2, "0");

  function readerTime(iso) {
    const when = new Date(iso);
    if (Number.isNaN(when.getTime())) return null;
    return `${when.getFullYear()}-${pad(when.getMonth() + 1)}-${pad(when.getDate())} ` +
      `${pad(when.getHours())}:${pad(when.getMinutes())}`;
  }

  function showInReaderZone(time) {
    const shown = readerTime(time.dateTime);
    if (shown === null) return;
    if (!time.title) time.title = `${time.textContent} server time`;
    time.textContent = shown;
  }

  function whenText(event) {
    if (!event.starts_iso) return event.starts;
    const time = document.createElement("time");
    time.dateTime = event.starts_iso;
    time.textContent = event.starts;
    showInReaderZone(time);
    return time;
  }

  function localiseEventTimes() {
    byId("events").querySelectorAll("time[datetime]").forEach(showInReaderZone);
    const zone = Intl.DateTimeFormat().resolvedOptions().timeZone;
    byId("event-zone").textContent = `Times are yours${zone ? ` (${zone})` : ""}.`;
  }

  function drawEvents(data) {
    fill("events", data.events.map((e) => [whenText(e), eventText(e), e.added_by]));
  }

  // The address to give the plug-in, copied with one click. The clipboard API needs a secure
  // context (https, or this machine); elsewhere the older way copies a selection.
  function copyAddress(address) {
    if (navigator.clipboard && window.isSecureContext) {
      return navigator.clipboard.writeText(address.textContent);
    }
    const range = document.createRange();
    range.selectNodeContents(address);
    window.getSelection().removeAllRanges();
    window.getSelection().addRange(range);
    return document.execCommand("copy") ? Promise.resolve() : Promise.reject(new Error("refused"));
  }

  function offerCopy() {
    const button = byId("copy-address");
    const address = byId("service-address");
    if (!button || !address) return;
    button.hidden = false;
    button.addEventListener("click", async () => {
      const status = byId("copy-status");
      try {
        await copyAddress(address);
        status.textContent = " Copied.";
      } catch {
        status.textContent = " Select the address and copy it.";
      }
    });
  }

  async function read(path) {
    const answer = await fetch(path, { cache: "no-store", headers: { Accept: "application/json" } });
    if (!answer.ok) throw new Error(`${path} answered ${answer.status}`);
    return answer.json();
  }

  async function refresh() {
    try {
      const [members, events] = await Promise.all([read("/api/online"), read("/api/events")]);
      drawMembers(members);
      drawEvents(events);
      byId("status").textContent = "";
      // How many redraws so far: lets a reader (or a test) see the page keeping up.
      document.body.dataset.refreshes = String(Number(document.body.dataset.refreshes || 0) + 1);
    } catch (error) {
      byId("status").textContent = ` \u2014 could not refresh (${error.message}); trying again`;
    } finally {
      window.setTimeout(refresh, refreshSeconds() * 1000);
    }
  }

  function start() {
    // The service sends the list by name already.
    noteServiceOrder();
    makeSortable();
    localiseEventTimes();
    offerCopy();
    // The page as served is current; the first redraw comes one interval later.
    window.setTimeout(refresh, refreshSeconds() * 1000);
  }

  if (document.readyState === "loading") document.addEventListener("DOMContentLoaded", start);
  else start();
})();
