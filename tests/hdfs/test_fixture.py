#!/usr/bin/env python3
"""Checks the test cluster's promises: the WebHDFS behaviour that the Hadoop
backend's tests build on, the Java client commands, and cluster.sh's life
cycle. Runs under `cluster.sh run`; exits 77 (skipped) without a cluster."""

import hashlib
import http.client
import json
import os
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
CLUSTER_SH = os.path.join(HERE, "cluster.sh")
HTTP = os.environ.get("VRB_HDFS_HTTP", "")
SUPERUSER = os.environ.get("VRB_HDFS_SUPERUSER", "")
BLOCK_SIZE = int(os.environ.get("VRB_HDFS_BLOCK_SIZE", "0"))
LS_LIMIT = int(os.environ.get("VRB_HDFS_LS_LIMIT", "0"))
# Every run works in a directory of its own, so that runs and parallel test
# programs sharing one cluster do not meet.
WORK = "/tmp/fixture-test-%d" % os.getpid()
ALICE_WORK = WORK + "-alice"


def generated_text(length):
    """What the cluster's `write` command stores."""
    lines = (length + 63) // 64
    text = b"".join(b"%010d ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz\n" % i for i in range(lines))
    return text[:length]


def process_ends(pid, within):
    """Whether the process is gone, or a zombie, before `within` seconds pass."""
    deadline = time.monotonic() + within
    while True:
        try:
            with open("/proc/%d/stat" % pid) as f:
                state = f.read().rsplit(")", 1)[1].split()[0]
        except FileNotFoundError:
            return True
        if state == "Z":
            return True
        if time.monotonic() > deadline:
            return False
        time.sleep(0.1)


def request(method, url, body=None):
    """One HTTP exchange, redirects not followed: (status, headers, body)."""
    parts = urllib.parse.urlsplit(url)
    connection = http.client.HTTPConnection(parts.netloc, timeout=60)
    headers = {"Content-Type": "application/octet-stream"} if body is not None else {}
    try:
        connection.request(method, parts.path + "?" + parts.query, body=body, headers=headers)
        response = connection.getresponse()
        return response.status, response.headers, response.read()
    finally:
        connection.close()


def webhdfs(method, path, op, user=None, body=None, **params):
    """A WebHDFS call; a redirect is followed once, with the body, to the
    address exactly as given. Returns (status, body, redirect location)."""
    query = {"op": op, "user.name": user or SUPERUSER}
    query.update({key: str(value) for key, value in params.items()})
    url = "http://%s/webhdfs/v1%s?%s" % (HTTP, urllib.parse.quote(path), urllib.parse.urlencode(query))
    status, headers, reply = request(method, url)
    location = None
    if status == 307:
        location = headers["Location"]
        status, headers, reply = request(method, location, body)
    return status, reply, location


def json_call(method, path, op, user=None, **params):
    status, reply, _ = webhdfs(method, path, op, user, **params)
    return status, json.loads(reply) if reply else None


def ctl(*command):
    """A command for the cluster's Java client; (ok, reply)."""
    done = subprocess.run([CLUSTER_SH, "ctl", *map(str, command)], capture_output=True, text=True, timeout=600)
    return done.returncode == 0, (done.stdout if done.returncode == 0 else done.stderr).strip()


class ClusterTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        status, reply, _ = webhdfs("PUT", WORK, "MKDIRS")
        assert status == 200, reply

    def create(self, path, data, user=None, **params):
        status, reply, location = webhdfs("PUT", path, "CREATE", user, body=data, overwrite="true", **params)
        self.assertEqual(status, 201, reply)
        return location


class Namespace(ClusterTest):
    def test_shared_directories_are_world_writable_and_sticky(self):
        for path in ("/tmp", "/user"):
            status, reply = json_call("GET", path, "GETFILESTATUS")
            self.assertEqual(status, 200)
            self.assertEqual(reply["FileStatus"]["type"], "DIRECTORY")
            self.assertEqual(reply["FileStatus"]["permission"], "1777")

    def test_superuser_home_belongs_to_the_superuser(self):
        status, reply = json_call("GET", "/user/" + SUPERUSER, "GETFILESTATUS")
        self.assertEqual(status, 200)
        self.assertEqual(reply["FileStatus"]["owner"], SUPERUSER)

    def test_any_user_works_in_a_directory_of_its_own(self):
        own = ALICE_WORK
        status, reply = json_call("PUT", own, "MKDIRS", user="alice")
        self.assertEqual((status, reply), (200, {"boolean": True}))
        self.create(own + "/a.txt", b"mine\n", user="alice")
        status, reply = json_call("GET", own + "/a.txt", "GETFILESTATUS", user="alice")
        self.assertEqual(reply["FileStatus"]["owner"], "alice")


class ReadWrite(ClusterTest):
    def test_create_open_append_round_trip(self):
        path = WORK + "/round-trip.txt"
        location = self.create(path, b"hello world\nline two\n")
        # The DataNode is reached on loopback, whatever the host's name.
        self.assertTrue(location.startswith("http://127.0.0.1:"), location)
        status, data, _ = webhdfs("GET", path, "OPEN", offset=6, length=5)
        self.assertEqual((status, data), (200, b"world"))
        status, reply, _ = webhdfs("POST", path, "APPEND", body=b"three\n")
        self.assertEqual(status, 200, reply)
        status, data, _ = webhdfs("GET", path, "OPEN")
        self.assertEqual(data, b"hello world\nline two\nthree\n")

    def test_reading_at_the_end_of_a_file_is_an_error(self):
        # What a reader has to expect: an offset equal to a non-empty file's
        # length is refused rather than answered with no data.
        path = WORK + "/short.txt"
        self.create(path, b"12345")
        status, reply = json_call("GET", path, "OPEN", offset=5)
        self.assertEqual(status, 403)
        self.assertEqual(reply["RemoteException"]["exception"], "IOException")
        self.create(WORK + "/empty.txt", b"")
        status, data, _ = webhdfs("GET", WORK + "/empty.txt", "OPEN", offset=0)
        self.assertEqual((status, data), (200, b""))

    def test_java_client_file_spans_blocks(self):
        path = WORK + "/blocks.txt"
        length = 3 * BLOCK_SIZE + BLOCK_SIZE // 2
        ok, reply = ctl("write", path, length)
        self.assertTrue(ok, reply)
        status, reply = json_call("GET", path, "GETFILESTATUS")
        self.assertEqual(reply["FileStatus"]["length"], length)
        self.assertEqual(reply["FileStatus"]["blockSize"], BLOCK_SIZE)
        expected = generated_text(length)
        status, data, _ = webhdfs("GET", path, "OPEN", offset=BLOCK_SIZE - 10, length=20)
        self.assertEqual(data, expected[BLOCK_SIZE - 10:BLOCK_SIZE + 10])
        status, data, _ = webhdfs("GET", path, "OPEN")
        self.assertEqual(len(data), length)
        self.assertTrue(data == expected, "whole file differs from the generated text")
        ok, reply = ctl("md5", path)
        self.assertEqual(reply, "%s %d" % (hashlib.md5(expected).hexdigest(), length))
        ok, reply = ctl("read", path)
        self.assertEqual(reply.split()[0], str(length))


class Listing(ClusterTest):
    def test_batches_page_by_the_limit_and_resume_after_a_name(self):
        directory = WORK + "/listing"
        names = ["d%02d" % i for i in range(2 * LS_LIMIT + 1)]
        for name in names:
            self.assertEqual(json_call("PUT", directory + "/" + name, "MKDIRS")[0], 200)
        seen, after, remaining = [], None, None
        while remaining != 0:
            # Only the lower-case "startafter" is honoured by this server.
            params = {"startafter": after} if after else {}
            status, reply = json_call("GET", directory, "LISTSTATUS_BATCH", **params)
            self.assertEqual(status, 200)
            page = [entry["pathSuffix"] for entry in reply["DirectoryListing"]["partialListing"]["FileStatuses"]["FileStatus"]]
            self.assertLessEqual(len(page), LS_LIMIT)
            remaining = reply["DirectoryListing"]["remainingEntries"]
            seen += page
            after = page[-1]
        self.assertEqual(seen, names)


class Permissions(ClusterTest):
    def test_other_user_cannot_read_a_private_file(self):
        path = WORK + "/private.txt"
        self.create(path, b"secret\n", permission="600")
        status, reply = json_call("GET", path, "OPEN", user="alice")
        self.assertEqual(status, 403)
        self.assertEqual(reply["RemoteException"]["exception"], "AccessControlException")
        self.assertEqual(reply["RemoteException"]["javaClassName"], "org.apache.hadoop.security.AccessControlException")

    def test_missing_file_is_not_found(self):
        status, reply = json_call("GET", WORK + "/missing", "GETFILESTATUS")
        self.assertEqual(status, 404)
        self.assertEqual(reply["RemoteException"]["exception"], "FileNotFoundException")


class ProxyUsers(ClusterTest):
    def test_alice_acts_as_bob_and_as_nobody_else(self):
        path = WORK + "-as-bob.txt"   # in /tmp, which anybody may write
        self.create(path, b"bob's\n", user="alice", doas="bob")
        status, reply = json_call("GET", path, "GETFILESTATUS")
        self.assertEqual(reply["FileStatus"]["owner"], "bob")
        for user, other in (("alice", "carol"), ("mallory", "bob")):
            status, reply = json_call("GET", path, "GETFILESTATUS", user=user, doas=other)
            self.assertEqual(status, 403, reply)
            self.assertIn("is not allowed to impersonate", reply["RemoteException"]["message"])


class Control(ClusterTest):
    def test_one_namenode_is_all_the_namenodes(self):
        self.assertEqual(os.environ.get("VRB_HDFS_NAMENODES"), HTTP)
        ok, reply = ctl("failover")
        self.assertFalse(ok)
        self.assertIn("two NameNodes", reply)

    def test_failures_reply_err(self):
        ok, reply = ctl("frobnicate", "x")
        self.assertFalse(ok)
        self.assertTrue(reply.startswith("ERR unknown command"), reply)
        ok, reply = ctl("read", WORK + "/missing")
        self.assertFalse(ok)
        self.assertTrue(reply.startswith("ERR FileNotFoundException"), reply)
        ok, reply = ctl("write", WORK + "/x", "many")
        self.assertFalse(ok)


class Lifecycle(unittest.TestCase):
    """A second cluster of its own: cluster.sh's status and clean-up."""

    def run_cluster(self, command, **environment):
        with tempfile.TemporaryDirectory() as scratch:
            done = subprocess.run([CLUSTER_SH, "run", "--", "sh", "-c", command], env=self.environment(scratch, environment),
                                  stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=300)
            leftovers = os.listdir(scratch)
        return done, leftovers

    @staticmethod
    def environment(scratch, extra):
        env = dict(os.environ, TMPDIR=scratch, **extra)
        for name in ("VRB_HDFS_CONTROL", "VRB_HDFS_REPLY"):
            env.pop(name, None)
        return env

    def test_command_status_comes_back_and_nothing_stays(self):
        done, leftovers = self.run_cluster('echo "$VRB_HDFS_HTTP"; exit 7')
        self.assertEqual(done.returncode, 7, done.stderr)
        self.assertEqual(leftovers, [])
        host, port = done.stdout.strip().split(":")
        with self.assertRaises(OSError):
            http.client.HTTPConnection(host, int(port), timeout=5).connect()

    def test_terminating_the_script_ends_the_command_and_the_cluster(self):
        with tempfile.TemporaryDirectory() as scratch:
            pid_file = os.path.join(scratch, "command.pid")
            script = subprocess.Popen(
                [CLUSTER_SH, "run", "--", "sh", "-c", 'sleep 120 & echo $! > "$0.tmp"; mv "$0.tmp" "$0"; wait', pid_file],
                env=self.environment(scratch, {}), stdin=subprocess.DEVNULL,
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            try:
                deadline = time.monotonic() + 180
                while not os.path.exists(pid_file) and time.monotonic() < deadline:
                    time.sleep(0.2)
                with open(pid_file) as f:
                    grandchild = int(f.read())
                os.remove(pid_file)
                script.terminate()
                self.assertEqual(script.wait(timeout=60), 143)
            finally:
                if script.poll() is None:
                    script.kill()
            # The command's own child went with it.
            self.assertTrue(process_ends(grandchild, within=10), "process %d still runs" % grandchild)
            self.assertEqual(os.listdir(scratch), [])

    def test_a_cluster_that_cannot_start_is_reported(self):
        done, leftovers = self.run_cluster("echo ran", VRB_HDFS_JAVA_OPTS="-XX:+NoSuchOptionAnywhere")
        self.assertNotEqual(done.returncode, 0)
        self.assertNotIn("ran", done.stdout)
        self.assertIn("exited before it was ready", done.stderr)
        self.assertEqual(leftovers, [])


if __name__ == "__main__":
    if not HTTP:
        print("skipped: no test cluster (run under tests/hdfs/cluster.sh run)")
        sys.exit(77)
    try:
        unittest.main()
    finally:
        for path in (WORK, ALICE_WORK):
            webhdfs("DELETE", path, "DELETE", recursive="true")
