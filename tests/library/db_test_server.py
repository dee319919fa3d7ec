# The program database's stand-in: HTTPS on 127.0.0.1 with FOLDER/cert.pem and key.pem; writes its
# port to FOLDER/port once ready and ends with its parent. Usage: db_test_server.py FOLDER
import json
import os
import ssl
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlsplit

FOLDER = sys.argv[1]
PREFIX = "/vqdatabase2/wp-json"
PROGRAM = "".join(" %d \r\n" % (244 if i == 0 else 0) for i in range(171))


def page_item(n, kind="file", title=None):
    return {"id": n, "_package_type": kind, "title": {"rendered": title or "Page %03d" % n}}


def category_pages(category, page):
    """One page of a category's program pages; None past the end of category 10."""
    if category == 10 and page > 1:
        return None  # what the real service answers past the end
    if category == 68:  # a flood of small items on every page
        return [page_item(i) for i in range(20000)]
    if category == 5:  # control characters, raw and as entities
        return [page_item(51, title="a&#10;b&#27;c&#127;d&#x85;e\u0085f\u009bg\x07h")]
    items = {100: [page_item(1000 + i) for i in range(100)],  # 47, 47, 6
             47: [page_item(4700 + i) for i in range(47)],  # one page, then an empty one
             48: [page_item(4800 + i, "link" if i == 5 else "file") for i in range(48)],  # a full page of 47 items
             10: [page_item(1100 + i) for i in range(47)],
             999: [page_item(i) for i in range(47 * page)],  # never ends
             998: [page_item(i) for i in range(47 * page)],  # never ends, slowly
             3: [page_item(31, title="Bass &amp; Lead"), page_item(32, title="<b>Bold</b> &#8211;\n One"),
                 {"id": "33", "_package_type": "file", "title": {"rendered": "String id"}},
                 {"id": 34, "_package_type": "file", "title": "not rendered"},
                 {"id": -35, "_package_type": "file", "title": {"rendered": "Negative"}}, "junk",
                 page_item(36, "link")]}.get(category, [])
    return items[47 * (page - 1):47 * page]


def media(parent, page, base):
    if parent != 200 or page > 1:
        return []
    def item(title, name, mime="application/octet-stream", url=None):
        return {"title": {"rendered": title}, "mime_type": mime, "source_url": url or base + "/files/" + name}
    return [item("Zed", "Zed.pr4"), item("abc", "abc.pr4"), item("ABD", "ABD.pr4"), item("&#8230;dots", "dots.pr4"),
            item("Picture", "pic.png", mime="image/png"), item("Local", "x", url="file:///etc/passwd"),
            item("Plain", "x", url="http://127.0.0.1/files/Good.pr4"), item("Abc", "abc2.pr4")]


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def reply(self, status, body, content_type="application/json", headers=()):
        data = body if isinstance(body, bytes) else json.dumps(body).encode()
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(data)))
        for k, v in headers:
            self.send_header(k, v)
        self.end_headers()
        self.wfile.write(data)

    def base(self):
        return "https://127.0.0.1:%d" % self.server.server_address[1]

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        if self.path == "/elsewhere":  # where a redirect of the login leads: takes any password
            raw = self.rfile.read(length)
            user = json.loads(raw.decode()).get("username", "") if raw else ""
            return self.reply(200, {"token": "t", "user_display_name": user})
        if self.path != PREFIX + "/jwt-auth/v1/token":
            return self.reply(404, {"code": "rest_no_route"})
        raw = self.rfile.read(length)
        if (self.headers.get("Content-Type") != "application/json" or self.headers.get("cache-control") != "no-cache"):
            return self.reply(400, {"code": "bad_headers"})
        try:
            body = json.loads(raw.decode())
        except ValueError:
            return self.reply(400, {"code": "bad_json"})
        user, password = body.get("username", ""), body.get("password", "")
        if user == "redirect":
            return self.reply(307, b"", headers=[("Location", self.base() + "/elsewhere")])
        if user == "broken":
            return self.reply(500, {"code": "internal"})
        if user == "refused":
            return self.reply(403, {"code": "[jwt_auth] incorrect_password"})
        shown = user.lower() if user == "Mixed" else user
        # Accepted when the password is the user name, less its first letter, read backwards.
        if user != "Mixed" and password != user[1:][::-1]:
            return self.reply(403, {"code": "[jwt_auth] incorrect_password"})
        return self.reply(200, {"token": "secret-token", "user_email": "x@example.org", "user_display_name": shown})

    def do_GET(self):
        parts = urlsplit(self.path)
        query = {k: v[0] for k, v in parse_qs(parts.query).items()}
        if parts.path == PREFIX + "/wp/v2/cmdm_category":
            return self.reply(200, [{"id": 3, "name": "Bass", "taxonomy": "cmdm_category"},
                                    {"id": 4, "name": "Tag", "taxonomy": "post_tag"},
                                    {"id": "x5", "name": "Bad id", "taxonomy": "cmdm_category"}, 7,
                                    {"id": 6, "name": "Leads", "taxonomy": "cmdm_category"}])
        if parts.path == PREFIX + "/wp/v2/cmdm_page":
            if query.get("per_page") != "47" or query.get("status") != "publish":
                return self.reply(400, {"code": "bad_query"})
            category, page = int(query["cmdm_category"]), int(query["page"])
            if category == 404:
                return self.reply(404, {"code": "rest_no_route"})
            if category in (9, 998):
                time.sleep(3 if category == 9 else 0.4)
            items = category_pages(category, page)
            if items is None:
                return self.reply(400, {"code": "rest_post_invalid_page_number"})
            return self.reply(200, items)
        if parts.path == PREFIX + "/wp/v2/media":
            if query.get("per_page") != "47" or query.get("order") != "asc":
                return self.reply(400, {"code": "bad_query"})
            return self.reply(200, media(int(query["parent"]), int(query["page"]), self.base()))
        if parts.path == "/files/big.pr4":
            return self.reply(200, b"1\r\n" * 40000, "application/octet-stream")
        if parts.path == "/files/bad-utf8.pr4":
            return self.reply(200, b" 244 \r\n\xff\xfe\r\n", "application/octet-stream")
        if parts.path == "/files/to-http.pr4":
            return self.reply(302, b"", headers=[("Location", "http://127.0.0.1:%d/files/Good.pr4" %
                                                  self.server.server_address[1])])
        if parts.path.startswith("/files/"):
            return self.reply(200, PROGRAM.encode() + b"\0trailing", "application/octet-stream")
        return self.reply(404, {"code": "rest_no_route"})


def main():
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(os.path.join(FOLDER, "cert.pem"), os.path.join(FOLDER, "key.pem"))
    server.socket = context.wrap_socket(server.socket, server_side=True)
    parent = os.getppid()

    def watch():
        while os.getppid() == parent:
            time.sleep(0.3)
        os._exit(0)

    threading.Thread(target=watch, daemon=True).start()
    with open(os.path.join(FOLDER, "port.tmp"), "w") as f:
        f.write(str(server.server_address[1]))
    os.rename(os.path.join(FOLDER, "port.tmp"), os.path.join(FOLDER, "port"))
    server.serve_forever()


main()
