// The conversation page. The client hands it batches of message items through onQxMsg and
// learns of the reader's clicks when the page navigates to an address on the client's link host.
//
// Everything an item carries is data from the service or from another user. Only the content of
// a text message is markup (the client escaped the text and added the links itself); every other
// field is set as text or, for pictures, as a checked address. No markup is ever built from
// strings here.
(function () {
    'use strict';

    var LINK_ORIGIN = 'http://lumenoclient';
    var LINK_HOST = 'lumenoclient';
    var SVG_NS = 'http://www.w3.org/2000/svg';
    // A transparent pixel: what a picture that failed to load shows over its placeholder box.
    var BLANK_PICTURE = 'data:image/gif;base64,R0lGODlhAQABAIAAAAAAAP///yH5BAEAAAAALAAAAAABAAEAAAIBRAA7';

    // Voice bubbles grow with the clip, between these widths (pixels).
    var VOICE_MIN_WIDTH = 72;
    var VOICE_MAX_WIDTH = 220;
    var VOICE_PIXELS_PER_SECOND = 4;
    // Distance from the end (pixels) within which the reader counts as following new messages.
    var FOLLOW_SLACK = 8;

    var list = document.getElementById('conversation');
    var moreRow = document.getElementById('more');
    var moreButton = document.getElementById('more-button');
    var scroller = document.scrollingElement || document.documentElement;
    var followingEnd = true;

    // ---- Addresses ----------------------------------------------------------------------------

    function startsWith(text, prefix) {
        return text.slice(0, prefix.length) === prefix;
    }

    // A picture address the page may load: a web address, a local file or one of the page's own
    // pictures. Anything else (script addresses, paths leaving the page folder) is refused.
    function pictureAddress(value) {
        if (typeof value !== 'string' || value === '') return '';
        var lower = value.toLowerCase();
        if (startsWith(lower, 'http://') || startsWith(lower, 'https://') ||
            startsWith(lower, 'file:///')) {
            return /[\s"'<>\\]/.test(value) ? '' : value;
        }
        if (startsWith(value, 'images/') && value.indexOf('..') < 0 && !/[\s"'<>\\:?#]/.test(value)) {
            return value;
        }
        return '';
    }

    // A web page a card opens in a new window: http or https, and never the client's link host.
    function webAddress(value) {
        if (typeof value !== 'string') return '';
        var lower = value.toLowerCase();
        if (!(startsWith(lower, 'http://') || startsWith(lower, 'https://')) || /[\s"'<>]/.test(value)) {
            return '';
        }
        var host = addressHost(value);
        return host && host !== LINK_HOST ? value : '';
    }

    function linkTo(path) {
        return LINK_ORIGIN + path;
    }

    function navigate(url) {
        window.location.href = url;
    }

    function openWindow(url) {
        if (url) window.open(url, '_blank');
    }

    // ---- Small DOM helpers --------------------------------------------------------------------

    function field(item, name) {
        var value = item[name];
        return typeof value === 'string' ? value : (value === undefined || value === null ? '' : String(value));
    }

    function el(tag, className, text) {
        var node = document.createElement(tag);
        if (className) node.className = className;
        if (text) node.textContent = text;
        return node;
    }

    // A clickable element: mouse click, and Enter or Space when it has the keyboard focus.
    function makeActive(node, action, role) {
        node.setAttribute('role', role || 'button');
        node.tabIndex = 0;
        node.addEventListener('click', function (event) {
            event.preventDefault();
            action(event);
        });
        node.addEventListener('keydown', function (event) {
            if (event.key === 'Enter' || event.key === ' ') {
                event.preventDefault();
                action(event);
            }
        });
        return node;
    }

    // A picture that shows a neutral box when its address is refused or does not load.
    function picture(className, address, alt) {
        var img = el('img', className);
        img.alt = alt || '';
        img.draggable = false;
        var src = pictureAddress(address);
        img.addEventListener('error', function () {
            if (img.classList.contains('missing')) return;
            // An empty picture keeps the element (and its click) and shows the CSS box only.
            img.alt = '';
            img.classList.add('missing');
            img.src = BLANK_PICTURE;
            keepFollowing();
        });
        img.addEventListener('load', keepFollowing);
        if (src) {
            img.src = src;
        } else {
            img.alt = '';
            img.classList.add('missing');
            img.src = BLANK_PICTURE;
        }
        return img;
    }

    // A small icon named by the item (verified mark, relation); nothing when it is empty.
    function icon(className, address) {
        var src = pictureAddress(address);
        if (!src) return null;
        var img = el('img', className);
        img.alt = '';
        img.draggable = false;
        img.addEventListener('error', function () { img.hidden = true; });
        img.src = src;
        return img;
    }

    function append(parent, child) {
        if (child) parent.appendChild(child);
        return parent;
    }

    // Decodes the five entities the client escapes text with, in one pass.
    var ENTITIES = { '38': '&', '60': '<', '62': '>', '34': '"', '39': "'" };
    function decodeEscaped(text) {
        return text.replace(/&#(38|60|62|34|39);/g, function (whole, code) { return ENTITIES[code]; });
    }

    // ---- Message kinds ------------------------------------------------------------------------

    function textBubble(item) {
        var bubble = el('div', 'bubble bubble-text');
        // The client escapes the message text and adds only its own link and emoticon markup.
        bubble.innerHTML = field(item, 'content');
        return bubble;
    }

    function plainBubble(item) {
        return el('div', 'bubble bubble-text bubble-plain', field(item, 'content'));
    }

    function pictureBubble(item) {
        var content = field(item, 'content');
        var frame = el('div', 'bubble bubble-picture');
        var img = picture('picture', content, '图片');
        frame.appendChild(img);
        if (pictureAddress(content)) {
            makeActive(frame, function () {
                navigate(linkTo('/imgclick?id=' + encodeURIComponent(content)));
            }, 'link');
        }
        return frame;
    }

    function voiceWaves() {
        var svg = document.createElementNS(SVG_NS, 'svg');
        svg.setAttribute('class', 'voice-waves');
        svg.setAttribute('viewBox', '0 0 16 16');
        svg.setAttribute('aria-hidden', 'true');
        var dot = document.createElementNS(SVG_NS, 'circle');
        dot.setAttribute('cx', '3');
        dot.setAttribute('cy', '8');
        dot.setAttribute('r', '1.6');
        svg.appendChild(dot);
        var arcs = ['M6 4.5a5 5 0 0 1 0 7', 'M9 2a8.5 8.5 0 0 1 0 12'];
        for (var i = 0; i < arcs.length; i++) {
            var path = document.createElementNS(SVG_NS, 'path');
            path.setAttribute('d', arcs[i]);
            svg.appendChild(path);
        }
        return svg;
    }

    function voiceBubble(item) {
        var seconds = parseInt(field(item, 'playtime'), 10);
        if (!(seconds >= 0)) seconds = 0;
        var wrap = el('div', 'voice-wrap');
        var bubble = el('div', 'bubble voice');
        bubble.setAttribute('aria-label', '语音 ' + seconds + '秒');
        var width = Math.min(VOICE_MAX_WIDTH, VOICE_MIN_WIDTH + seconds * VOICE_PIXELS_PER_SECOND);
        bubble.style.width = width + 'px';
        bubble.appendChild(voiceWaves());
        bubble.appendChild(el('span', 'voice-length', seconds + '"'));
        wrap.appendChild(bubble);
        var dot = null;
        if (field(item, 'unread') === '1') {
            dot = el('span', 'unread-dot');
            dot.setAttribute('aria-label', '未播放');
            wrap.appendChild(dot);
        }
        var id = field(item, 'id');
        // The dot stays until the client says the clip was heard.
        makeActive(bubble, function () {
            navigate(linkTo('/audio?id=' + encodeURIComponent(id)));
        });
        return wrap;
    }

    // The frame shared by business cards, job posts and résumés: a picture, lines of text, the
    // relation icon and a footer naming the kind.
    function infoCard(kindClass, image, nameRow, lines, relation, footer, action) {
        var card = el('div', 'bubble card ' + kindClass);
        var main = el('div', 'card-main');
        main.appendChild(image);
        var info = el('div', 'card-info');
        info.appendChild(nameRow);
        for (var i = 0; i < lines.length; i++) {
            if (lines[i]) info.appendChild(el('div', 'card-line', lines[i]));
        }
        main.appendChild(info);
        append(main, icon('card-relation', relation));
        card.appendChild(main);
        card.appendChild(el('div', 'card-footer', footer));
        makeActive(card, action, 'link');
        return card;
    }

    function businessCard(item) {
        var nameRow = el('div', 'card-name');
        nameRow.appendChild(el('span', 'card-name-text', field(item, 'cname')));
        append(nameRow, icon('card-verified', field(item, 'caddv')));
        var content = field(item, 'content');
        var target = startsWith(content, linkTo('/cardclick?id='))
            ? content : linkTo('/cardclick?id=' + encodeURIComponent(field(item, 'id')));
        return infoCard('card-person', picture('card-avatar', field(item, 'cimg')), nameRow,
            [field(item, 'ctitle'), field(item, 'cfrom')], field(item, 'relation'), '个人名片',
            function () { navigate(target); });
    }

    function jobCard(item) {
        var nameRow = el('div', 'card-name');
        nameRow.appendChild(el('span', 'card-name-text', field(item, 'proname')));
        var target = webAddress(field(item, 'content'));
        return infoCard('card-job', picture('card-avatar card-logo', field(item, 'company')), nameRow,
            [field(item, 'promoney'), field(item, 'issuer')], field(item, 'relation'), '职位',
            function () { openWindow(target); });
    }

    function resumeCard(item) {
        var nameRow = el('div', 'card-name');
        nameRow.appendChild(el('span', 'card-name-text', field(item, 'rname')));
        var target = webAddress(field(item, 'content'));
        return infoCard('card-resume', picture('card-avatar', field(item, 'rimg')), nameRow,
            [field(item, 'rtitle')], field(item, 'relation'), '简历',
            function () { openWindow(target); });
    }

    var BUBBLES = {
        text: textBubble,
        img: pictureBubble,
        audio: voiceBubble,
        card: businessCard,
        profession: jobCard,
        resume: resumeCard
    };

    function centredRow(rowClass, labelClass, text) {
        var row = el('div', 'row ' + rowClass);
        row.appendChild(el('span', labelClass, text));
        return row;
    }

    function senderLine(item) {
        var name = field(item, 'uname');
        if (!name) return null;
        var line = el('div', 'sender');
        line.appendChild(el('span', 'sender-name', name));
        append(line, icon('sender-verified', field(item, 'uaddv')));
        var title = field(item, 'utitle');
        if (title) line.appendChild(el('span', 'sender-title', title));
        return line;
    }

    function messageRow(item) {
        var from = field(item, 'from') === 'me' ? 'me' : 'other';
        var type = field(item, 'type');
        var row = el('div', 'row msg msg-' + from + ' kind-' + (BUBBLES.hasOwnProperty(type) ? type : 'other'));
        var id = field(item, 'id');
        row.setAttribute('data-id', id);

        var avatar = picture('avatar', field(item, 'uicon'), '');
        makeActive(avatar, function () {
            navigate(linkTo('/iconclick?id=' + encodeURIComponent(id)));
        });
        row.appendChild(avatar);

        var body = el('div', 'msg-body');
        append(body, senderLine(item));
        var bubble = (BUBBLES.hasOwnProperty(type) ? BUBBLES[type] : plainBubble)(item);
        var width = parseInt(field(item, 'width'), 10);
        if (width > 0 && (type === 'text' || !BUBBLES.hasOwnProperty(type))) bubble.style.maxWidth = 'min(' + width + 'px, 100%)';
        body.appendChild(bubble);
        row.appendChild(body);
        return row;
    }

    function itemRow(item) {
        if (!item || typeof item !== 'object') return null;
        var type = field(item, 'type');
        if (type === 'time') return centredRow('row-time', 'time-label', field(item, 'content'));
        if (field(item, 'from') === 'sys') {
            // System notices arrive escaped; they are shown as the text they stand for.
            return centredRow('row-notice', 'notice', decodeEscaped(field(item, 'content')));
        }
        return messageRow(item);
    }

    // The row a message just sent is shown under, by its local number.
    function sentRow(id) {
        var rows = list.querySelectorAll('.row.msg-me');
        for (var i = rows.length - 1; i >= 0; i--) {
            if (rows[i].getAttribute('data-id') === id) return rows[i];
        }
        return null;
    }

    // A message row of the page with the given id, other than `except`.
    function messageRowWithId(id, except) {
        var rows = list.querySelectorAll('.row.msg');
        for (var i = 0; i < rows.length; i++) {
            if (rows[i] !== except && rows[i].getAttribute('data-id') === id) return rows[i];
        }
        return null;
    }

    function buildBatch(items) {
        var batch = document.createDocumentFragment();
        for (var i = 0; i < items.length; i++) {
            var row;
            try {
                row = itemRow(items[i]);
                // The service's copy of a message just sent takes the place of the one shown
                // under its local number: one item, not two. Where the page holds the copy
                // already (a page loaded after the send went out), the one shown just goes.
                var replaces = items[i] && field(items[i], 'replaces');
                if (row && replaces) {
                    var shown = sentRow(replaces);
                    var copy = messageRowWithId(row.getAttribute('data-id'), shown);
                    if (shown && copy) {
                        shown.parentNode.removeChild(shown);
                    } else if (shown) {
                        shown.parentNode.replaceChild(row, shown);
                    }
                    if (shown || copy) row = null;
                }
            } catch (e) {
                row = null;  // one malformed item never costs the rest of the batch
            }
            append(batch, row);
        }
        return batch;
    }

    // ---- Scrolling ----------------------------------------------------------------------------

    function scrollToEnd() {
        scroller.scrollTop = scroller.scrollHeight;
        followingEnd = true;
    }

    function atEnd() {
        return scroller.scrollHeight - scroller.scrollTop - scroller.clientHeight <= FOLLOW_SLACK;
    }

    // A picture that finishes loading while the reader follows the end keeps the end in view.
    function keepFollowing() {
        if (followingEnd && !atEnd()) scroller.scrollTop = scroller.scrollHeight;
    }

    window.addEventListener('scroll', function () { followingEnd = atEnd(); }, { passive: true });
    window.addEventListener('resize', keepFollowing);

    function setMore(shown) {
        moreRow.hidden = !shown;
    }

    makeActive(moreButton, function () { navigate(linkTo('/getmore')); });

    // ---- The functions the client calls -------------------------------------------------------

    window.onQxMsg = function (envelope) {
        if (!envelope || typeof envelope !== 'object') return;
        var hasMore = envelope.hasmore === undefined ? '' : String(envelope.hasmore);
        var items = Array.isArray(envelope.data) ? envelope.data : [];
        var pos = typeof envelope.pos === 'string' ? envelope.pos : '';
        var batch = buildBatch(items);

        if (pos === 'up' || pos === 'top') {
            var oldHeight = scroller.scrollHeight;
            var oldTop = scroller.scrollTop;
            list.insertBefore(batch, list.firstChild);
            if (hasMore === '1') setMore(true); else if (hasMore === '0') setMore(false);
            scroller.scrollTop = oldTop + (scroller.scrollHeight - oldHeight);
            return;
        }
        list.appendChild(batch);
        if (hasMore === '1') setMore(true); else if (hasMore === '0') setMore(false);
        if (pos === 'bottom') scrollToEnd();
    };

    // A message just sent did not go: its row says so, with the reason, as text.
    window.onSendFailed = function (id, reason) {
        var row = sentRow(String(id));
        if (!row || row.querySelector('.send-failed')) return;
        row.classList.add('failed');
        var note = el('div', 'send-failed', typeof reason === 'string' ? reason : '');
        note.setAttribute('role', 'alert');
        row.querySelector('.msg-body').appendChild(note);
        keepFollowing();
    };

    // A voice clip's state from the client: 'playing', 'stopped' or 'failed' (with the reason
    // shown under the clip), and whether its unread dot still shows.
    window.onVoiceState = function (id, state, unread, reason) {
        var rows = list.querySelectorAll('.row.kind-audio');
        for (var i = 0; i < rows.length; i++) {
            if (rows[i].getAttribute('data-id') !== String(id)) continue;
            var bubble = rows[i].querySelector('.voice');
            if (!bubble) continue;
            bubble.classList.toggle('playing', state === 'playing');
            bubble.setAttribute('aria-pressed', state === 'playing' ? 'true' : 'false');
            var dot = rows[i].querySelector('.unread-dot');
            if (dot && Number(unread) === 0) dot.parentNode.removeChild(dot);
            var note = rows[i].querySelector('.voice-failed');
            if (state === 'failed') {
                if (!note) {
                    note = el('div', 'voice-failed');
                    note.setAttribute('role', 'alert');
                    rows[i].querySelector('.msg-body').appendChild(note);
                }
                note.textContent = typeof reason === 'string' ? reason : '';
            } else if (note) {
                note.parentNode.removeChild(note);
            }
        }
        keepFollowing();
    };

    window.onHasMore = function (flag) {
        setMore(Number(flag) !== 0);
    };

    window.onScroll = function (offset) {
        var n = Number(offset);
        if (n === 1) scrollToEnd();
        else if (isFinite(n)) scroller.scrollTop = n;
    };

    // The host of an address found in escaped text ("www." addresses have no scheme), lower case,
    // or '' when the address carries credentials or names no plain host.
    function addressHost(address) {
        var rest = address.replace(/^https?:\/\//i, '');
        var authority = rest.split(/[\/?#]/)[0];
        if (authority.indexOf('@') >= 0 || authority.indexOf('&') >= 0) return '';
        var host = authority.replace(/:\d*$/, '').toLowerCase().replace(/\.$/, '');
        return /^[a-z0-9.-]+$/.test(host) ? host : '';
    }

    var ADDRESS = /(?:https?:\/\/|www\.)[^\s<>"']+/gi;
    // An escaped quote or angle bracket ends an address; so does trailing punctuation.
    var ADDRESS_END = /&#(?:60|62|34|39);[\s\S]*$/;
    var TRAILING = /[.,;:!?)\]}]+$/;

    function linkAddresses(text) {
        return text.replace(ADDRESS, function (found) {
            var address = found.replace(ADDRESS_END, '').replace(TRAILING, '');
            var rest = found.slice(address.length);
            var host = addressHost(address);
            if (!host || host === LINK_HOST || /^www\.$/i.test(address)) return found;
            var href = /^www\./i.test(address) ? 'http://' + address : address;
            return '<a href="' + href + '" target="_blank">' + address + '</a>' + rest;
        });
    }

    // Escaped message text with its web addresses made into links that open a new window. Text
    // already inside a link or a tag is left as it is.
    window.replaceUrl = function (text) {
        if (typeof text !== 'string') return '';
        var parts = text.split(/(<[^>]*>)/);
        var insideLink = 0;
        for (var i = 0; i < parts.length; i++) {
            var part = parts[i];
            if (i % 2 === 1) {
                if (/^<a[\s>]/i.test(part)) insideLink++;
                else if (/^<\/a\s*>/i.test(part) && insideLink > 0) insideLink--;
            } else if (part && !insideLink) {
                parts[i] = linkAddresses(part);
            }
        }
        return parts.join('');
    };
}());
